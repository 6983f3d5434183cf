#include "tools/output_file.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/random.h>
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "tools/render_options.h"

namespace {

constexpr size_t kBufferBytes = 1 << 16;
constexpr int kMaxSymlinks = 40;  // as the kernel allows in one path
constexpr int kCleanupSignals[] = {SIGHUP, SIGINT, SIGQUIT, SIGTERM};

// A named temporary, for the signal handler to remove.
volatile sig_atomic_t gTempDir = -1;
char gTempName[32];

void removeTempAndDie(int sig) {
  if (gTempDir >= 0) unlinkat(gTempDir, gTempName, 0);
  raise(sig);  // the handler was reset: the default action follows its return
}

void installCleanup(int dirFd, const std::string& name) {
  std::memcpy(gTempName, name.c_str(), name.size() + 1);
  gTempDir = dirFd;
  struct sigaction action = {};
  action.sa_handler = removeTempAndDie;
  action.sa_flags = SA_RESETHAND;
  sigemptyset(&action.sa_mask);
  for (int sig : kCleanupSignals) sigaddset(&action.sa_mask, sig);
  for (int sig : kCleanupSignals) {
    struct sigaction old;
    if (sigaction(sig, nullptr, &old) == 0 && old.sa_handler != SIG_IGN) {
      sigaction(sig, &action, nullptr);
    }
  }
}

void removeCleanup() {
  gTempDir = -1;
  for (int sig : kCleanupSignals) {
    struct sigaction old;
    if (sigaction(sig, nullptr, &old) == 0 && old.sa_handler == removeTempAndDie) {
      signal(sig, SIG_DFL);
    }
  }
}

// Holds the catchable signals off for a step that must not be cut in two.
class SignalsHeld {
 public:
  SignalsHeld() {
    sigset_t set;
    sigemptyset(&set);
    for (int sig : kCleanupSignals) sigaddset(&set, sig);
    sigprocmask(SIG_BLOCK, &set, &old_);
  }
  ~SignalsHeld() { sigprocmask(SIG_SETMASK, &old_, nullptr); }

 private:
  sigset_t old_;
};

// Short, so that it fits wherever the real name does.
std::string tempName() {
  static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  unsigned char bytes[8];
  if (getrandom(bytes, sizeof bytes, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof bytes)) {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    const unsigned long mix = static_cast<unsigned long>(now.tv_nsec) * 2654435761u ^
                              static_cast<unsigned long>(getpid());
    for (size_t i = 0; i < sizeof bytes; ++i) bytes[i] = static_cast<unsigned char>(mix >> (i * 4));
  }
  std::string name = ".hypercube-";
  for (unsigned char b : bytes) name += kLetters[b % (sizeof kLetters - 1)];
  return name;
}

// "a/b/c" as "a/b" and "c"; "c" as "." and "c"; "/c" as "/" and "c".
void splitPath(const std::string& path, std::string* dir, std::string* base) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) {
    *dir = ".";
    *base = path;
  } else {
    *dir = slash == 0 ? "/" : path.substr(0, slash);
    *base = path.substr(slash + 1);
  }
}

bool readLink(int dirFd, const std::string& name, std::string* target) {
  std::vector<char> buffer(256);
  for (;;) {
    const ssize_t n = readlinkat(dirFd, name.c_str(), buffer.data(), buffer.size());
    if (n < 0) return false;
    if (static_cast<size_t>(n) < buffer.size()) {
      target->assign(buffer.data(), static_cast<size_t>(n));
      return true;
    }
    buffer.resize(buffer.size() * 2);
  }
}

mode_t currentUmask() {
  const mode_t mask = umask(0);
  umask(mask);
  return mask;
}

}  // namespace

OutputFile::~OutputFile() { discard(); }

std::string OutputFile::failure(int error) const {
  const std::string where = fd_ == 1 && kind_ == Kind::kDirect ? "standard output" : quoted(path_);
  return "cannot write " + where + ": " + std::strerror(error);
}

bool OutputFile::open(const std::string& path, std::string* error) {
  path_ = path;
  buffer_.reserve(kBufferBytes);
  if (path == "-") {
    kind_ = Kind::kDirect;
    fd_ = 1;
    return true;
  }
  const bool trailingSlash = !path.empty() && path.back() == '/';
  struct stat st;
  if (stat(path.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) {
      *error = quoted(path) + " is a directory; --output needs a file name";
      return false;
    }
    struct stat out;
    if (fstat(1, &out) == 0 && out.st_dev == st.st_dev && out.st_ino == st.st_ino) {
      kind_ = Kind::kDirect;  // /dev/stdout and the like: the stream itself
      fd_ = 1;
      return true;
    }
    if (!S_ISREG(st.st_mode)) {
      fd_ = ::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
      if (fd_ < 0) {
        *error = failure(errno);
        return false;
      }
      ownFd_ = true;
      kind_ = Kind::kDirect;
      return true;
    }
  } else if (errno != ENOENT) {
    if (errno == ENOTDIR && trailingSlash) {
      *error = "cannot write " + quoted(path) + ": it ends in '/' but is not a directory";
    } else {
      *error = failure(errno);
    }
    return false;
  }
  if (trailingSlash) {
    *error =
        "cannot write " + quoted(path) + ": no such directory, and a file name cannot end in '/'";
    return false;
  }
  return openReplace(error);
}

bool OutputFile::openReplace(std::string* error) {
  // Follow symlinks to the real file, one directory at a time: the path may be
  // near PATH_MAX, and a dangling link names the file to create.
  std::string dir, base;
  splitPath(path_, &dir, &base);
  dirFd_ = ::open(dir.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (dirFd_ < 0) {
    *error = errno == ENOENT
                 ? "cannot write " + quoted(path_) + ": there is no directory " + quoted(dir)
                 : failure(errno);
    return false;
  }
  for (int hops = 0;; ++hops) {
    struct stat st;
    if (fstatat(dirFd_, base.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
      if (errno != ENOENT) {
        *error = failure(errno);
        return false;
      }
      break;
    }
    if (!S_ISLNK(st.st_mode)) {
      if (!S_ISREG(st.st_mode)) {
        // Changed since it was looked at; do not replace whatever it is now.
        *error = failure(S_ISDIR(st.st_mode) ? EISDIR : EEXIST);
        return false;
      }
      exists_ = true;
      old_ = st;
      break;
    }
    std::string target;
    if (hops == kMaxSymlinks || !readLink(dirFd_, base, &target)) {
      *error = failure(hops == kMaxSymlinks ? ELOOP : errno);
      return false;
    }
    std::string targetDir;
    splitPath(target, &targetDir, &base);
    if (base.empty() || base == "." || base == "..") {
      *error = failure(EISDIR);
      return false;
    }
    const int next = openat(target[0] == '/' ? AT_FDCWD : dirFd_, targetDir.c_str(),
                            O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (next < 0) {
      *error = failure(errno);
      return false;
    }
    close(dirFd_);
    dirFd_ = next;
  }
  name_ = base;

  // Other hard links see the new frame only if the file is written in place.
  if (exists_ && old_.st_nlink > 1 && openInPlace(error)) return true;

  kind_ = Kind::kReplace;
  // An unnamed file vanishes whatever ends the tool, SIGKILL included; linking
  // it into place goes through /proc.
  if (access("/proc/self/fd", X_OK) == 0) {
    fd_ = openat(dirFd_, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (fd_ >= 0) {
      unnamed_ = true;
      return true;
    }
  }
  int e = errno;
  if (fd_ < 0 && e != EACCES && e != EROFS && e != EPERM && e != ENOSPC && e != EDQUOT) {
    // No unnamed files here: a hidden named one, removed on the usual signals.
    for (int tries = 0; tries < 100; ++tries) {
      SignalsHeld held;
      const std::string name = tempName();
      fd_ = openat(dirFd_, name.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600);
      if (fd_ >= 0) {
        tempName_ = name;
        installCleanup(dirFd_, name);
        return true;
      }
      if (errno != EEXIST) break;
    }
    e = errno;
  }
  // A directory we may not write in: the file itself, if it may be written.
  if (exists_ && (e == EACCES || e == EROFS || e == EPERM) && openInPlace(error)) return true;
  kind_ = Kind::kNone;
  *error = failure(e);
  return false;
}

bool OutputFile::openInPlace(std::string* error) {
  targetFd_ = openat(dirFd_, name_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (targetFd_ < 0 && errno == EACCES) {
    targetFd_ = openat(dirFd_, name_.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);  // no undo then
  }
  if (targetFd_ < 0) {
    *error = failure(errno);
    return false;
  }
  kind_ = Kind::kInPlace;
  return true;
}

bool OutputFile::writeAll(const void* data, size_t size) {
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = ::write(fd_, p, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      errno_ = errno;
      return false;
    }
    p += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

bool OutputFile::flush() {
  if (errno_ != 0) return false;
  if (buffer_.empty()) return true;
  const bool ok = writeAll(buffer_.data(), buffer_.size());
  buffer_.clear();
  return ok;
}

bool OutputFile::write(const void* data, size_t size) {
  if (errno_ != 0) return false;
  const unsigned char* p = static_cast<const unsigned char*>(data);
  if (kind_ == Kind::kInPlace) {
    held_.insert(held_.end(), p, p + size);
    return true;
  }
  if (buffer_.size() + size > kBufferBytes && !flush()) return false;
  if (size >= kBufferBytes) return writeAll(p, size);
  buffer_.insert(buffer_.end(), p, p + size);
  return true;
}

bool OutputFile::commit(std::string* error) {
  int e = 0;
  bool ok = flush();
  if (!ok) e = errno_;
  if (ok && kind_ == Kind::kReplace) ok = commitReplace(&e);
  if (ok && kind_ == Kind::kInPlace) ok = commitInPlace(&e);
  if (ok && kind_ == Kind::kDirect && ownFd_) {
    ownFd_ = false;
    if (close(fd_) != 0 && errno != EINTR) {
      ok = false;
      e = errno;
    }
  }
  if (!ok) {
    *error = failure(e);
    discard();
    return false;
  }
  tempName_.clear();  // in its place now
  discard();
  return true;
}

bool OutputFile::commitReplace(int* error) {
  if (exists_) {
    // Keep the owner where we may (root may); a file we cannot give back to
    // its owner loses its set-id bits.
    const bool owner = fchown(fd_, old_.st_uid, old_.st_gid) == 0;
    if (!owner && fchown(fd_, static_cast<uid_t>(-1), old_.st_gid) != 0) {
      // the group stays ours
    }
    fchmod(fd_, old_.st_mode & (owner ? 07777 : 01777));
  } else if (!unnamed_) {
    fchmod(fd_, 0666 & ~currentUmask());
  }
  if (fdatasync(fd_) != 0 && errno != EINVAL) {
    *error = errno;
    return false;
  }
  SignalsHeld held;
  if (unnamed_) {
    const std::string self = "/proc/self/fd/" + std::to_string(fd_);
    if (!exists_ && linkat(AT_FDCWD, self.c_str(), dirFd_, name_.c_str(), AT_SYMLINK_FOLLOW) == 0) {
      return true;  // new, and never under another name
    }
    if (!exists_ && errno != EEXIST) {
      *error = errno;
      return false;
    }
    // There is a file to replace: link under a temporary name, then rename,
    // with the signals held so that the name cannot stay.
    for (int tries = 0;; ++tries) {
      const std::string name = tempName();
      if (linkat(AT_FDCWD, self.c_str(), dirFd_, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
        tempName_ = name;
        break;
      }
      if (errno != EEXIST || tries == 100) {
        *error = errno;
        return false;
      }
    }
  }
  if (renameat(dirFd_, tempName_.c_str(), dirFd_, name_.c_str()) != 0) {
    *error = errno;
    return false;  // discard() removes the temporary
  }
  tempName_.clear();
  return true;
}

bool OutputFile::commitInPlace(int* error) {
  const off_t size = static_cast<off_t>(held_.size());
  struct rlimit limit;
  if (getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY &&
      static_cast<rlim_t>(size) > limit.rlim_cur) {
    *error = EFBIG;
    return false;
  }
  // Space first, so that a full disk stops us before the old frame is touched.
  if (size > old_.st_size && fallocate(targetFd_, FALLOC_FL_KEEP_SIZE, 0, size) != 0 &&
      errno != EOPNOTSUPP && errno != ENOSYS) {
    *error = errno;
    return false;
  }
  // The old bytes, to put back should a write still fail.
  std::vector<unsigned char> old(static_cast<size_t>(old_.st_size));
  const bool haveOld =
      pread(targetFd_, old.data(), old.size(), 0) == static_cast<ssize_t>(old.size());
  SignalsHeld held;
  fd_ = targetFd_;
  targetFd_ = -1;
  bool ok = lseek(fd_, 0, SEEK_SET) == 0 && writeAll(held_.data(), held_.size()) &&
            ftruncate(fd_, size) == 0 && fdatasync(fd_) == 0;
  if (!ok) {
    *error = errno_ != 0 ? errno_ : errno;
    if (haveOld && lseek(fd_, 0, SEEK_SET) == 0 && writeAll(old.data(), old.size())) {
      if (ftruncate(fd_, old_.st_size) != 0) {
        // nothing more to try
      }
    }
  }
  return ok;
}

void OutputFile::discard() {
  if (!tempName_.empty() && dirFd_ >= 0) unlinkat(dirFd_, tempName_.c_str(), 0);
  tempName_.clear();
  removeCleanup();
  if (fd_ >= 0 && (kind_ != Kind::kDirect || ownFd_)) close(fd_);
  if (targetFd_ >= 0) close(targetFd_);
  if (dirFd_ >= 0) close(dirFd_);
  fd_ = targetFd_ = dirFd_ = -1;
  ownFd_ = false;
  kind_ = Kind::kNone;
}
