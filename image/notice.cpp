#include "image/notice.h"

#include "platform/platform.h"

namespace {

NoticeHandler currentHandler = showErrorBox;

}  // namespace

NoticeHandler setNoticeHandler(NoticeHandler handler) {
  NoticeHandler previous = currentHandler;
  currentHandler = handler != nullptr ? handler : showErrorBox;
  return previous;
}

void showNotice(const char* text) {
  currentHandler(text);
}
