// Scratch folders for tests and benchmarks, made and removed with std::filesystem.
#pragma once

#include <string>

// A new, empty folder under the temporary directory, named after `tag` and this process;
// whatever an earlier run left under that name goes first. Empty when it cannot be made.
std::string freshFolder(const std::string& tag);

// A fresh folder holding a link to each of the eleven pictures in `pictures`, except the one
// numbered `except` (an index into the game's picture names; -1 links them all).
std::string pictureFolder(const std::string& tag, const std::string& pictures, int except = -1);

// Removes `folder` and everything in it; false if anything stays.
bool removeFolder(const std::string& folder);
