#ifndef TARNO_TESTS_HELPERS_FILE_CHECKS_H_
#define TARNO_TESTS_HELPERS_FILE_CHECKS_H_

// Reading and judging the files the module leaves, for the fault-injection tests of
// both builds.

#include <string>
#include <vector>

namespace tarno {

// The whole file, or "" when it cannot be read.
std::string Slurp(const std::string& path);
// Creates or empties the file and writes `bytes`.
void Spit(const std::string& path, const std::string& bytes);

// The number after "Total\t " in a summary sheet, or -1.
int TotalQsos(const std::string& sheet);

// Every line of "err.txt" ended by CR LF must be a whole line: the heading or a problem
// line. Returns the lines that are not, and the unended rest in `*cut`.
std::vector<std::string> BrokenErrorLines(const std::string& file, std::string* cut);

}  // namespace tarno

#endif  // TARNO_TESTS_HELPERS_FILE_CHECKS_H_
