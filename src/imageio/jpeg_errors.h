// A libjpeg error manager for the loader: a fatal error returns control to the
// loader through longjmp instead of ending the process, and no message is printed.
#pragma once
#include <csetjmp>
#include <cstddef>
#include <cstdio>

#include <jpeglib.h>

namespace imageio {

// Progressive files may repeat scans without end, each one a pass over the whole
// image; more scans than this are taken as a hostile file. Real files have fewer
// than a few dozen.
inline constexpr int JPEG_MAX_SCANS = 500;

struct RecoveringErrors {
  jpeg_error_mgr base;   // first member: the library sees only this part
  std::jmp_buf recover;  // where a fatal error jumps to; set before any library call
  int scans;             // start-of-scan markers read so far
};

// Sets up `errors` with the library's standard manager (jpeg_std_error) and our
// exit, message and warning hooks. Returns the pointer for the decompressor's err.
// Fatal errors and the scan limit longjmp to errors.recover; warnings are counted
// in base.num_warnings and the decoding goes on.
jpeg_error_mgr* InstallRecoveringErrors(RecoveringErrors& errors);

}  // namespace imageio
