#pragma once

// Telling the user about a failure: a modal box captioned "Error" with the text and an OK button,
// or "Error: <text>" on standard error where no box can be shown.
using NoticeHandler = void (*)(const char* text);

// Puts `handler` in charge of every notice (null restores the box) and returns the previous one.
NoticeHandler setNoticeHandler(NoticeHandler handler);

// Shows `text` through the current handler and returns once the user has dismissed it.
void showNotice(const char* text);

// The default handler.
void showErrorBox(const char* text);
