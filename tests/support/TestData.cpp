#include "TestData.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace Titrelle::Testing {

double TCsvRow::Number(std::size_t I) const
{
  const std::string& Field = Fields.at(I);
  std::size_t Used = 0;
  const double Value = std::stod(Field, &Used);
  if (Used != Field.size())
    throw std::invalid_argument("not a number: " + Field);
  return Value;
}

std::vector<TCsvRow> ReadCsvRows(const std::string& Path)
{
  std::vector<TCsvRow> Rows;
  std::ifstream In(Path);
  if (!In) {
    ADD_FAILURE() << "cannot read " << Path;
    return Rows;
  }
  std::string Line;
  bool HeaderSeen = false;
  while (std::getline(In, Line)) {
    if (!Line.empty() && Line.back() == '\r')
      Line.pop_back();
    if (Line.empty() || Line[0] == '#')
      continue;
    if (!HeaderSeen) {
      HeaderSeen = true;
      continue;
    }
    TCsvRow Row;
    std::stringstream Fields(Line);
    std::string Field;
    while (std::getline(Fields, Field, ','))
      Row.Fields.push_back(Field);
    Rows.push_back(Row);
  }
  return Rows;
}

}  // namespace Titrelle::Testing
