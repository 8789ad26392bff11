#include "helpers/file_checks.h"

#include <cstdlib>
#include <fstream>
#include <iterator>

namespace tarno {

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Spit(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

int TotalQsos(const std::string& sheet) {
  const size_t at = sheet.find("Total\t ");
  if (at == std::string::npos) return -1;
  return std::atoi(sheet.c_str() + at + 7);
}

std::vector<std::string> BrokenErrorLines(const std::string& file, std::string* cut) {
  const std::string heading = "TARNO Contest UBN file \r\n";
  std::vector<std::string> broken;
  size_t begin = 0;
  for (size_t end; (end = file.find("\r\n", begin)) != std::string::npos; begin = end + 2) {
    const std::string line = file.substr(begin, end + 2 - begin);
    const bool isHeading = begin == 0 && line == heading;
    const bool problem = line.rfind("QSO:  ", 0) == 0 &&
                         line.find("QSO:", 4) == std::string::npos && line.size() >= 7 &&
                         line.compare(line.size() - 6, 6, " !!!\r\n") == 0;
    if (!isHeading && !problem) broken.push_back(line);
  }
  *cut = file.substr(begin);
  return broken;
}

}  // namespace tarno
