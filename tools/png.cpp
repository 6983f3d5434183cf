// PngEncoder over zlib.
#include "tools/png.h"

#include <zlib.h>

#include <cstring>
#include <utility>

namespace {

constexpr size_t kChunkBytes = 1 << 16;  // compressed bytes per IDAT chunk

void putBE32(unsigned char* p, uint32_t v) {
  p[0] = static_cast<unsigned char>(v >> 24);
  p[1] = static_cast<unsigned char>(v >> 16);
  p[2] = static_cast<unsigned char>(v >> 8);
  p[3] = static_cast<unsigned char>(v);
}

}  // namespace

struct PngEncoder::Zlib {
  z_stream stream{};
  bool ready = false;
  ~Zlib() {
    if (ready) deflateEnd(&stream);
  }
};

PngEncoder::PngEncoder(int width, int height, Sink sink, PngCompression compression)
    : z_(new Zlib),
      sink_(std::move(sink)),
      width_(width),
      height_(height),
      filter_(compression.filter) {
  if (width_ <= 0 || height_ <= 0) {
    failed_ = true;
    error_ = "empty image";
    return;
  }
  const size_t rowBytes = static_cast<size_t>(width_) * 3;
  line_.reset(new unsigned char[rowBytes + 1]);
  previous_.reset(new unsigned char[rowBytes]());
  current_.reset(new unsigned char[rowBytes]);
  out_.reset(new unsigned char[kChunkBytes]);
  const int status =
      deflateInit2(&z_->stream, compression.level, Z_DEFLATED, 15, 8, compression.strategy);
  if (status != Z_OK) {
    failed_ = true;
    error_ = status == Z_MEM_ERROR ? "out of memory" : "cannot start compression";
    return;
  }
  z_->ready = true;
  static const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
  unsigned char header[13];
  putBE32(header, static_cast<uint32_t>(width_));
  putBE32(header + 4, static_cast<uint32_t>(height_));
  header[8] = 8;   // bits per sample
  header[9] = 2;   // RGB
  header[10] = 0;  // deflate
  header[11] = 0;  // adaptive filtering, one filter type per row
  header[12] = 0;  // not interlaced
  if (!sink_(kSignature, sizeof kSignature) || !chunk("IHDR", header, sizeof header)) {
    failed_ = true;
  }
}

PngEncoder::~PngEncoder() = default;

bool PngEncoder::chunk(const char type[4], const unsigned char* data, size_t size) {
  unsigned char head[8];
  putBE32(head, static_cast<uint32_t>(size));
  std::memcpy(head + 4, type, 4);
  uLong crc = crc32(0L, head + 4, 4);
  if (size > 0) crc = crc32(crc, data, static_cast<uInt>(size));
  unsigned char tail[4];
  putBE32(tail, static_cast<uint32_t>(crc));
  return sink_(head, sizeof head) && (size == 0 || sink_(data, size)) && sink_(tail, sizeof tail);
}

// Runs deflate over the pending input; a full output buffer becomes an IDAT.
bool PngEncoder::deflateSome(int flush) {
  z_stream& s = z_->stream;
  for (;;) {
    const int status = deflate(&s, flush);
    if (status == Z_STREAM_ERROR) {
      error_ = "compression failed";
      return false;
    }
    const bool full = s.avail_out == 0;
    const bool done = flush == Z_FINISH ? status == Z_STREAM_END : s.avail_in == 0 && !full;
    if (full || (done && flush == Z_FINISH)) {
      const size_t size = kChunkBytes - s.avail_out;
      if (size > 0 && !chunk("IDAT", out_.get(), size)) return false;
      s.next_out = out_.get();
      s.avail_out = kChunkBytes;
    }
    if (done) return true;
  }
}

bool PngEncoder::addRow(const uint32_t* pixels) {
  if (failed_) return false;
  if (rows_ >= height_) {
    failed_ = true;
    error_ = "more rows than the image has";
    return false;
  }
  if (rows_ == 0) {
    z_->stream.next_out = out_.get();
    z_->stream.avail_out = kChunkBytes;
  }
  const size_t rowBytes = static_cast<size_t>(width_) * 3;
  unsigned char* cur = current_.get();
  for (int x = 0; x < width_; ++x) {
    const uint32_t p = pixels[x];
    cur[3 * x] = static_cast<unsigned char>(p >> 16);
    cur[3 * x + 1] = static_cast<unsigned char>(p >> 8);
    cur[3 * x + 2] = static_cast<unsigned char>(p);
  }
  unsigned char* line = line_.get();
  const int filter = rows_ == 0 && filter_ == 2 ? 0 : filter_;  // nothing above the first row
  line[0] = static_cast<unsigned char>(filter);
  if (filter == 0) {
    std::memcpy(line + 1, cur, rowBytes);
  } else if (filter == 1) {
    for (size_t i = 0; i < rowBytes; ++i)
      line[1 + i] = static_cast<unsigned char>(cur[i] - (i >= 3 ? cur[i - 3] : 0));
  } else {
    const unsigned char* up = previous_.get();
    for (size_t i = 0; i < rowBytes; ++i) line[1 + i] = static_cast<unsigned char>(cur[i] - up[i]);
  }
  current_.swap(previous_);
  z_->stream.next_in = line;
  z_->stream.avail_in = static_cast<uInt>(rowBytes + 1);
  ++rows_;
  if (!deflateSome(Z_NO_FLUSH)) {
    failed_ = true;
    return false;
  }
  return true;
}

bool PngEncoder::finish() {
  if (failed_) return false;
  if (rows_ != height_) {
    failed_ = true;
    error_ = "fewer rows than the image has";
    return false;
  }
  if (!deflateSome(Z_FINISH) || !chunk("IEND", nullptr, 0)) {
    failed_ = true;
    return false;
  }
  return true;
}
