// A PNG encoder fed one row at a time, so an image need not be held whole:
// 8-bit RGB, IDAT chunks as zlib fills its buffer, every chunk with its CRC.
#ifndef TOOLS_PNG_H
#define TOOLS_PNG_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

// How rows are compressed. The default is the one the tools use; the others
// are there for the benchmark that chose it.
struct PngCompression {
  int level = 1;     // zlib level
  int strategy = 3;  // zlib strategy: 0 default, 1 filtered, 3 RLE
  int filter = 0;    // PNG row filter: 0 none, 1 sub, 2 up
};

class PngEncoder {
 public:
  // Gets the file's bytes in order; returning false stops the encoding.
  using Sink = std::function<bool(const unsigned char* data, size_t size)>;

  PngEncoder(int width, int height, Sink sink, PngCompression compression = {});
  ~PngEncoder();
  PngEncoder(const PngEncoder&) = delete;
  PngEncoder& operator=(const PngEncoder&) = delete;

  // The next row, `width` pixels of XRGB8888 (0x00RRGGBB), top row first.
  bool addRow(const uint32_t* pixels);
  // After the last row: the end of the data and of the file.
  bool finish();
  // Why a call returned false: empty when the sink refused (its owner knows
  // why), else the encoder's own reason.
  const std::string& error() const { return error_; }

 private:
  bool chunk(const char type[4], const unsigned char* data, size_t size);
  bool deflateSome(int flush);

  struct Zlib;
  std::unique_ptr<Zlib> z_;
  Sink sink_;
  int width_;
  int height_;
  int rows_ = 0;
  int filter_;
  bool failed_ = false;
  std::string error_;
  std::unique_ptr<unsigned char[]> line_;      // the filtered row
  std::unique_ptr<unsigned char[]> previous_;  // the row above, unfiltered
  std::unique_ptr<unsigned char[]> current_;   // this row, unfiltered
  std::unique_ptr<unsigned char[]> out_;       // compressed bytes of one IDAT
};

#endif
