#include "datamodel/DataModelParser.h"

namespace VnKx_1_2 {

DataModelParser::DataModelParser() = default;
DataModelParser::~DataModelParser() = default;

}  // namespace VnKx_1_2
