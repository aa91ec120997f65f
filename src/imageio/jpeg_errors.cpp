// The loader's libjpeg error manager: silent, and fatal errors jump back to the loader.
#include "imageio/jpeg_errors.h"

#include <jerror.h>

namespace imageio {
namespace {

RecoveringErrors& ErrorsOf(j_common_ptr info) {
  // RecoveringErrors is standard-layout with the library's record first.
  return *reinterpret_cast<RecoveringErrors*>(info->err);
}

[[noreturn]] void ReturnToLoader(j_common_ptr info) {
  std::longjmp(ErrorsOf(info).recover, 1);
}

// Level -1 is a warning (corrupt or truncated data): count it and go on. Other
// levels are trace messages, which we only look at to count scans.
void CountMessage(j_common_ptr info, int level) {
  RecoveringErrors& errors = ErrorsOf(info);
  if (level < 0) {
    ++errors.base.num_warnings;
  } else if (errors.base.msg_code == JTRC_SOS && ++errors.scans > JPEG_MAX_SCANS) {
    ReturnToLoader(info);
  }
}

void PrintNothing(j_common_ptr) {}

}  // namespace

jpeg_error_mgr* InstallRecoveringErrors(RecoveringErrors& errors) {
  jpeg_std_error(&errors.base);
  errors.base.error_exit = ReturnToLoader;
  errors.base.emit_message = CountMessage;
  errors.base.output_message = PrintNothing;
  errors.scans = 0;
  return &errors.base;
}

}  // namespace imageio
