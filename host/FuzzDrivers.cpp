#include "host/FuzzDrivers.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>
#include <tuple>

#include "base/Status.h"
#include "context/ContextInfo.h"
#include "datamodel/DataModelParser.h"
#include "external/common/VnSettings.h"
#include "external/hosthelper/DataHelper.h"
#include "external/hosthelper/HostHelper.h"
#include "external/hosthelper/XMLException.h"
#include "host/CsvLoader.h"
#include "host/CsvReader.h"
#include "host/SimContext.h"
#include "host/SimHost.h"
#include "input/InputAdapter.h"
#include "input/VnPeerIterator.h"
#include "input/VnPeerRawRecIterator.h"
#include "peer/VnPeer.h"
#include "settings/VnSettingsFactory.h"

namespace VnKxHost {
namespace {

using KxCppHelperV1::DataHelper;

void Require(bool rule, const char* what) {
  if (rule) return;
  std::fprintf(stderr, "fuzz driver: broken rule: %s\n", what);
  std::abort();
}

bool KnownStatus(unsigned int status) {
  switch (status) {
    case 0:
    case 1:
    case 2:
    case 3:
    case 5:
    case 6:
    case 12:
    case 13:
    case 16:
      return true;
    default:
      return false;
  }
}

// A peer that opens the base's services to the drivers.
class FuzzPeer : public VnKx_1_2::VnPeer {
 public:
  using VnPeer::VnPeer;
  unsigned int Initialize(int*) override { return 0; }
  unsigned int GetResult(char*, size_t, size_t*, int*) override { return 6; }
  unsigned int ApplyParameters(KxCppHelperV1::XMLDocument& parameters, int* error) override {
    return VnCommon_1_2::VnSettingsFactory::MakeModelSettings(parameters, settings, error);
  }
  using VnPeer::GetContextInformation;
  using VnPeer::ParseDataModel;
  using VnPeer::parsers;
  using VnPeer::ScanParameters;
  VnXML_1_2::VnSettings settings;
};

// Eight columns of every kind, three rows with a null each.
Table MixedTable() {
  Table table;
  const ColumnType kinds[] = {ColumnType::kInteger, ColumnType::kReal, ColumnType::kString,
                              ColumnType::kDate,    ColumnType::kTime, ColumnType::kTimestamp,
                              ColumnType::kString,  ColumnType::kReal};
  for (int c = 0; c < 8; ++c) table.AddColumn("c" + std::to_string(c), kinds[c]);
  for (int r = 0; r < 3; ++r) {
    std::vector<Cell> row;
    for (int c = 0; c < 8; ++c) {
      if (c == r) {
        row.push_back(Cell::Null());
      } else if (kinds[c] == ColumnType::kInteger) {
        row.push_back(Cell(r - 1));
      } else if (kinds[c] == ColumnType::kString) {
        row.push_back(Cell(r == 2 ? "" : "v" + std::to_string(r)));
      } else {
        row.push_back(Cell(r * 1.5 - 1.0));
      }
    }
    table.AddRow(row);
  }
  return table;
}

std::string Text(const std::uint8_t* data, std::size_t size) {
  return std::string(reinterpret_cast<const char*>(data), size);
}

template <typename Iterator, typename Step>
void OnePass(Iterator& iterator, Step step) {
  int records = 0;
  while (step(iterator) != nullptr) ++records;
  Require(iterator.GetFailReason() == 1, "an iterator ends its pass with fail reason 1");
  Require(records <= 3, "no more records than the table holds");
}

}  // namespace

void FuzzDataModel(const std::uint8_t* data, std::size_t size) {
  const Table table = MixedTable();
  SimContext context;
  SimHost host;
  context.AddInput(Text(data, size), &table);
  FuzzPeer peer(context.record(), host.record());
  int error = 0;
  const bool defaultRange = size > 0 && (data[0] & 1) != 0;
  unsigned int status = 0;
  try {
    status = peer.ParseDataModel(&error, defaultRange, 1);
  } catch (const KxCppHelperV1::XMLException&) {
    return;  // passes from the document classes, as documented
  }
  Require(KnownStatus(status), "ParseDataModel answers a known status");
  if (peer.parsers.empty()) return;
  DataHelper cursor(context.Iterator(0).record());
  VnKx_1_2::InputAdapter adapter(&cursor, *peer.parsers[0], false, defaultRange, size % 3 == 0,
                                 true, size % 5 == 0);
  const bool built = adapter.BuildVarlist(&error);
  Require(built == (adapter.GetVarList().Size() != 0) || !built, "BuildVarlist's result");
  try {
    VnKx_1_2::VnPeerIterator numeric(&cursor, &adapter, size % 2 == 0);
    OnePass(numeric, [](VnKx_1_2::VnPeerIterator& it) { return it.Next(); });
  } catch (const DataHelper::DataHelperException&) {
  }
  try {
    cursor.rewind();
    VnKx_1_2::VnPeerRawRecIterator raw(&cursor, &adapter, size % 2 == 1);
    OnePass(raw, [](VnKx_1_2::VnPeerRawRecIterator& it) { return it.NextRawRecord(); });
  } catch (const DataHelper::DataHelperException&) {
  }
}

void FuzzContext(const std::uint8_t* data, std::size_t size) {
  SimContext context;
  context.SetContextDocument(Text(data, size));
  FuzzPeer peer(context.record(), nullptr);
  VnKx_1_2::ContextInfo info;
  int error = -7;
  const unsigned int status = peer.GetContextInformation(info, &error);
  Require(status == 0 || status == 5, "GetContextInformation answers 0 or 5");
  Require(error == -7, "GetContextInformation stores no code of its own");
  Require(status != 0 || !info.GetContextName().empty(), "a context read has a name");
}

void FuzzParameters(const std::uint8_t* data, std::size_t size) {
  SimContext context;
  context.SetParameterDocument(Text(data, size));
  FuzzPeer peer(context.record(), nullptr);
  int error = -7;
  const unsigned int status = peer.ScanParameters(&error);
  Require(status == 0 || status == 5, "ScanParameters answers 0 or 5");
  Require(error == -7, "MakeModelSettings never writes the error argument");
}

void FuzzXml(const std::uint8_t* data, std::size_t size) {
  KxCppHelperV1::XMLDocument doc;
  try {
    doc = KxCppHelperV1::HostHelper::createFromContents(Text(data, size));
  } catch (const KxCppHelperV1::XMLException&) {
    return;
  }
  for (auto it = doc.getElements(""); it.hasMore();) {
    const KxCppHelperV1::XMLElement element = it.next();
    KxCppHelperV1::XMLElement::AttributeView views[8];
    const size_t count = element.getAttributeViews(views, 8);
    for (size_t i = 0; i < count && i < 8; ++i) {
      const std::string name(views[i].name);
      double real = 0;
      std::int64_t integer = 0;
      element.getAttribute(name, real);
      element.getAttribute(name, integer);
      Require(element.hasAttribute(name), "a listed attribute is present");
      const KxCppHelperV1::XMLElement::AttributeKey key = element.attributeKey(name.c_str());
      std::string_view value;
      Require(element.getAttributes(&key, &value, 1) == 1 && value == element.getAttribute(name),
              "a read by key answers as the read by name");
    }
    element.getText();
  }
  const std::string text = doc.doc2string();
  KxCppHelperV1::XMLDocument again;
  try {
    again = KxCppHelperV1::HostHelper::createFromContents(text);
  } catch (const KxCppHelperV1::XMLException&) {
    Require(false, "a serialised document parses again");
  }
  Require(again.doc2string() == text, "serialising twice gives the same text");
}

namespace {

// Whether a quoted cell of the file holds a line break (which a cut between shares may split).
bool QuotedLineBreak(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  bool quoted = false;
  for (char c; in.get(c);) {
    if (c == '"') quoted = !quoted;
    if (quoted && (c == '\n' || c == '\r')) return true;
  }
  return false;
}

// The file read as three processes read it (a share of the rows each, profiles merged, columns
// decided once, shares loaded with them) gives what one process read: the same columns, and the
// same cells in the same order. A share may refuse a row that a cut splits (a quoted line break
// at the cut), nothing else.
void CheckShares(const std::string& path, const LoadedInput& whole) {
  constexpr int kParts = 3;
  std::vector<CsvOptions> shares(kParts);
  RowProfile merged;
  try {
    for (int part = 0; part < kParts; ++part) {
      std::tie(shares[part].rowsBegin, shares[part].rowsEnd) =
          RowShare(path, CsvOptions(), part, kParts);
      const RowProfile profile = ProfileRows(path, shares[part]);
      if (part == 0) {
        merged = profile;
      } else {
        MergeProfile(merged, profile);
      }
    }
  } catch (const CsvError& e) {
    Require(std::string(e.what()).find("where the rows were split") != std::string::npos &&
                QuotedLineBreak(path),
            "a share refuses only a row that a cut splits");
    return;
  }
  const std::vector<ColumnProfile> columns = DecideColumns(merged);
  Require(columns.size() == whole.columns.size(), "the shares see the same columns");
  for (std::size_t c = 0; c < columns.size(); ++c) {
    Require(columns[c].type == whole.columns[c].type, "the shares decide the same storage");
    Require(columns[c].categories == whole.columns[c].categories &&
                columns[c].tooManyCategories == whole.columns[c].tooManyCategories,
            "the shares find the same categories");
  }
  std::size_t row = 0;
  for (const CsvOptions& share : shares) {
    const LoadedInput part = LoadColumns(path, columns, share);
    for (std::size_t r = 0; r < part.table.RowCount(); ++r, ++row) {
      Require(row < whole.table.RowCount(), "the shares hold no more rows than the file");
      for (std::size_t c = 0; c < columns.size(); ++c) {
        const bool null = part.table.IsNull(r, c);
        Require(null == whole.table.IsNull(row, c), "a share's cell is null as the file's");
        if (null) continue;
        if (columns[c].type == ColumnType::kString) {
          Require(part.table.Text(r, c) == whole.table.Text(row, c), "a share's text");
        } else if (columns[c].type == ColumnType::kInteger) {
          Require(part.table.Integer(r, c) == whole.table.Integer(row, c), "a share's integer");
        } else {
          const double a = part.table.Real(r, c);
          const double b = whole.table.Real(row, c);
          Require(a == b || (a != a && b != b), "a share's number");
        }
      }
    }
  }
  Require(row == whole.table.RowCount(), "the shares hold every row of the file");
}

}  // namespace

void FuzzCsv(const std::uint8_t* data, std::size_t size) {
  static const std::string path = [] {
    const char* dir = std::getenv("TMPDIR");
    return std::string(dir != nullptr ? dir : "/tmp") + "/vnkx-fuzz-" + std::to_string(getpid()) +
           ".csv";
  }();
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  try {
    const LoadedInput input = LoadCsv(path);
    Require(input.table.RowCount() == input.rows, "every row read is loaded");
    Require(input.table.ColumnCount() == input.columns.size(), "a column per header cell");
    KxCppHelperV1::HostHelper::createFromContents(input.dataModel);
    CheckShares(path, input);
  } catch (const CsvError&) {
  }
  std::remove(path.c_str());
}

}  // namespace VnKxHost
