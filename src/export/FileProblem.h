#pragma once
// What went wrong with a file, said to the user in the words of the window,
// not in the system's English.
#include <string>

namespace zel {

// What an errno from opening, reading or writing a file means, as the end of
// a sentence whose subject is the file: "「/x/a.xlsx」" + "が見つかりません。".
// Writing: the file is being made, so a missing or closed folder is meant.
std::string FileErrorReason(int err, bool writing = false);

}  // namespace zel
