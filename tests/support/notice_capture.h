// The reader's notices, collected in place of the "Error" box.
#pragma once

#include <string>
#include <vector>

#include "image/notice.h"

// Every notice shown since the last clear, oldest first.
std::vector<std::string>& capturedNotices();

// While one lives, notices are collected instead of shown; the previous handler comes back when it
// goes. A test fixture holds one as a member.
class NoticeCapture {
 public:
  NoticeCapture();
  ~NoticeCapture();
  NoticeCapture(const NoticeCapture&) = delete;
  NoticeCapture& operator=(const NoticeCapture&) = delete;

 private:
  NoticeHandler previous_;
};
