// Reading reference tables kept as comma-separated files beside the tests.
#pragma once

#include <string>
#include <vector>

namespace Titrelle::Testing {

// One data row: its fields as text, plus a field converted to a double.
struct TCsvRow {
  std::vector<std::string> Fields;
  double Number(std::size_t I) const;
  const std::string& Text(std::size_t I) const { return Fields.at(I); }
};

// The rows of a file, without lines starting with '#' and without the first
// remaining line (the header). Fails the calling test when the file is missing.
std::vector<TCsvRow> ReadCsvRows(const std::string& Path);

}  // namespace Titrelle::Testing
