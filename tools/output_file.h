// Where the frame tool writes a frame, so that the old file survives any
// failure and nothing is left behind:
// - "-" is standard output, and so is a path naming the file it already goes to;
// - anything that is not a regular file (a device, a FIFO, a terminal) is
//   opened and written directly;
// - a regular file, or a symlink to one, is written to an unnamed file in the
//   real file's directory (a hidden temporary where the file system has none,
//   removed on the catchable signals) and moved over it at once on commit,
//   with the old file's mode and owner;
// - a file with other hard links, or in a directory the user cannot write, is
//   overwritten in place on commit, after the whole frame is written and space
//   for it reserved, so that the links and the directory stay as they are;
// - a directory is refused.
#ifndef TOOLS_OUTPUT_FILE_H
#define TOOLS_OUTPUT_FILE_H

#include <sys/stat.h>

#include <cstddef>
#include <string>
#include <vector>

class OutputFile {
 public:
  OutputFile() = default;
  ~OutputFile();  // a file not committed is discarded
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // On failure, one line naming `path` and the cause in *error.
  bool open(const std::string& path, std::string* error);
  // False once a write has failed; commit() then says why.
  bool write(const void* data, size_t size);
  bool commit(std::string* error);

 private:
  enum class Kind { kNone, kDirect, kReplace, kInPlace };

  bool flush();
  bool writeAll(const void* data, size_t size);
  bool openReplace(std::string* error);
  bool openInPlace(std::string* error);
  bool commitReplace(int* error);
  bool commitInPlace(int* error);
  void discard();
  std::string failure(int error) const;

  Kind kind_ = Kind::kNone;
  std::string path_;      // as the user gave it
  int fd_ = -1;           // what the bytes go to
  bool ownFd_ = false;    // fd_ is ours to close
  int dirFd_ = -1;        // the real file's directory
  std::string name_;      // the real file's name in it
  std::string tempName_;  // a named temporary in the directory, while it exists
  bool unnamed_ = false;  // fd_ is an unnamed file (O_TMPFILE)
  bool exists_ = false;   // the real file was there before
  struct stat old_ = {};  // and its mode, owner and links
  int targetFd_ = -1;     // in place: the file itself
  std::vector<unsigned char> buffer_;
  std::vector<unsigned char> held_;  // in place: the whole frame
  int errno_ = 0;                    // the first write failure
};

#endif
