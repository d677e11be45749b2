#include "tests/support/notice_capture.h"

namespace {

void collect(const char* text) {
  capturedNotices().push_back(text);
}

}  // namespace

std::vector<std::string>& capturedNotices() {
  static std::vector<std::string> texts;
  return texts;
}

NoticeCapture::NoticeCapture() : previous_(setNoticeHandler(collect)) {
  capturedNotices().clear();
}

NoticeCapture::~NoticeCapture() {
  setNoticeHandler(previous_);
  capturedNotices().clear();
}
