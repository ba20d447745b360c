#pragma once

namespace sectmend {

// The usage text, ending with a line end; writers add one more line end.
extern const char* const kUsageText;

// Writes the usage text and a line end to the standard error stream.
void WriteUsage();

}  // namespace sectmend
