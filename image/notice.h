#pragma once

// Telling the user about a failure: by default the platform's "Error" box (showErrorBox), which
// falls back to standard error where no box can be shown; tests put a handler of their own in
// charge.
using NoticeHandler = void (*)(const char* text);

// Puts `handler` in charge of every notice (null restores the box) and returns the previous one.
NoticeHandler setNoticeHandler(NoticeHandler handler);

// Shows `text` through the current handler and returns once the user has dismissed it.
void showNotice(const char* text);
