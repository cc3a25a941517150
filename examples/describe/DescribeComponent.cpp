// describe: per admitted field, record counts (values, missing, weighted by the frequency
// weight); for continuous fields the minimum, maximum, mean and standard deviation; for
// categorical fields the frequency of each category. Parameters: "partition" (training, testing,
// validation or all; training by default) and "skipMissing" (true leaves out records with any
// missing value; false by default). Run as workers, each worker describes its rows ("task"
// "partial": counts, exact sums and sums of squared deviations about its own mean, extremes,
// category counts) and the coordinator merges them by the pairwise update.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ComponentSupport.h"
#include "ResultDocument.h"
#include "SampleComponent.h"
#include "datamodel/DataModelParser.h"
#include "external/hosthelper/DataHelper.h"
#include "fields/NumericFieldInfo.h"
#include "fields/StrFieldInfo.h"
#include "input/InputAdapter.h"
#include "input/VnPeerRawRecIterator.h"
#include "peer/ComponentModule.h"
#include "peer/VnPeer.h"
#include "settings/VnSettingsFactory.h"

namespace VnKxExample {
namespace {

using VnCommon_1_2::RawData;
using VnCommon_1_2::RawRecord;
using VnKx_1_2::FieldInfo;

// What is gathered for one admitted field.
struct FieldSummary {
  std::string name;
  FieldInfo* field = nullptr;
  size_t cell = 0;  // its place in the raw record
  bool continuous = false;
  std::uint64_t values = 0;
  std::uint64_t missing = 0;
  long double weighted = 0;
  long double sum = 0;  // first pass: weighted sum; second: weighted squared deviations
  long double deviations = 0;
  double minimum = std::numeric_limits<double>::infinity();
  double maximum = -std::numeric_limits<double>::infinity();
  std::vector<std::string> order;  // categories: declared first, then as met
  std::map<std::string, std::pair<std::uint64_t, long double>> counts;

  long double Mean() const { return weighted > 0 ? sum / weighted : 0; }
};

double Number(const RawData& cell) {
  return cell.GetType() == RawData::kInteger ? static_cast<double>(cell.GetInteger())
                                             : cell.GetDouble();
}

class DescribeComponent : public SampleComponent {
 public:
  DescribeComponent(KxContext* context, KxHost* host, KxThreadFactoryStruct*)
      : SampleComponent(context, host) {}

  unsigned int Initialize(int* error) override {
    const unsigned int status = InitializeInput({"skipMissing"}, error);
    if (status != VnKx_1_2::StatusOk) return status;
    skipMissing_ = Text(settings, "skipMissing", "false") == "true";
    if (!skipMissing_ && Text(settings, "skipMissing", "false") != "false") {
      return Refuse(kBadParameter, {"skipMissing", Text(settings, "skipMissing", "")}, error);
    }
    return status;
  }

  unsigned int BeginExecution(const std::vector<KxIterator*>& iterators, KxProgress* record,
                              int* error) override {
    return Execute(iterators, record, error,
                   [this](KxCppHelperV1::DataHelper& data, int* e) { return Describe(data, e); });
  }

 protected:
  std::vector<std::pair<std::string, std::string>> WorkerTask() const override {
    return {{"task", "partial"}};
  }

  // Adds the workers' summaries field by field, in worker order (so categories stay in the
  // order they are first met), the deviations by the pairwise update.
  unsigned int Merge(const std::vector<KxCppHelperV1::XMLDocument>& partials, int* error) override {
    std::vector<FieldSummary> summaries;
    std::uint64_t used = 0, read = 0;
    std::string partitionNote;
    for (const KxCppHelperV1::XMLDocument& partial : partials) {
      used += std::stoull(partial.getAttribute("used"));
      read += std::stoull(partial.getAttribute("read"));
      partitionNote = partial.getAttribute("partition");
      size_t k = 0;
      for (auto it = partial.getElements("Field"); it.hasMore(); ++k) {
        const KxCppHelperV1::XMLElement field = it.next();
        if (k == summaries.size()) {
          summaries.emplace_back();
          summaries.back().name = field.getAttribute("name");
          summaries.back().continuous = field.getAttribute("continuous") == "true";
        }
        Add(summaries[k], field);
      }
    }
    if (used == 0) return Refuse(kNoUsableRecords, {}, error, VnKx_1_2::StatusFailed);
    Publish(summaries, used, read, partitionNote);
    *error = 0;
    return VnKx_1_2::StatusOk;
  }

 private:
  static void Add(FieldSummary& s, const KxCppHelperV1::XMLElement& part) {
    const std::uint64_t values = std::stoull(part.getAttribute("values"));
    const long double weighted = FromExact(part.getAttribute("weighted"));
    s.missing += std::stoull(part.getAttribute("missing"));
    if (s.continuous && values > 0) {
      const long double sum = FromExact(part.getAttribute("sum"));
      const long double deviations = FromExact(part.getAttribute("deviations"));
      if (s.weighted > 0 && weighted > 0) {
        const long double delta = sum / weighted - s.Mean();
        s.deviations +=
            deviations + delta * delta * s.weighted * weighted / (s.weighted + weighted);
      } else {
        s.deviations += deviations;
      }
      s.sum += sum;
      s.minimum = std::min(s.minimum, static_cast<double>(FromExact(part.getAttribute("minimum"))));
      s.maximum = std::max(s.maximum, static_cast<double>(FromExact(part.getAttribute("maximum"))));
    }
    s.values += values;
    s.weighted += weighted;
    for (auto it = part.getElements("Category"); it.hasMore();) {
      const KxCppHelperV1::XMLElement category = it.next();
      Tally(s, category.getAttribute("name"), std::stoull(category.getAttribute("count")),
            FromExact(category.getAttribute("weighted")));
    }
  }

  // A worker's summaries, exactly, for the coordinator's merge.
  void PublishPartial(const std::vector<FieldSummary>& summaries, std::uint64_t used,
                      std::uint64_t read, const std::string& partitionNote) {
    KxCppHelperV1::XMLDocument partial = KxCppHelperV1::HostHelper::createNew("Partial");
    partial.addAttribute("component", "describe");
    partial.addAttribute("used", std::to_string(used));
    partial.addAttribute("read", std::to_string(read));
    partial.addAttribute("partition", partitionNote);
    for (const FieldSummary& s : summaries) {
      KxCppHelperV1::XMLElement field = partial.addElement("Field");
      field.addAttribute("name", s.name);
      field.addAttribute("continuous", s.continuous ? "true" : "false");
      field.addAttribute("values", std::to_string(s.values));
      field.addAttribute("missing", std::to_string(s.missing));
      field.addAttribute("weighted", Exact(s.weighted));
      if (s.continuous) {
        field.addAttribute("sum", Exact(s.sum));
        field.addAttribute("deviations", Exact(s.deviations));
        field.addAttribute("minimum", Exact(s.minimum));
        field.addAttribute("maximum", Exact(s.maximum));
      }
      for (const std::string& name : s.order) {
        const auto& count = s.counts.at(name);
        KxCppHelperV1::XMLElement category = field.addElement("Category");
        category.addAttribute("name", name);
        category.addAttribute("count", std::to_string(count.first));
        category.addAttribute("weighted", Exact(count.second));
      }
    }
    resultDocument = partial;
  }

  unsigned int Describe(KxCppHelperV1::DataHelper& data, int* error) {
    VnKx_1_2::DataModelParser& parser = *parsers[0];
    VnKx_1_2::InputAdapter adapter(&data, parser, false, false, false, true, false);
    if (!adapter.BuildVarlist(error)) {
      int ignored = 0;
      if (*error != 0) CollectMsgs(Error, *error, &ignored);
      return Refuse(kNoUsableRecords, {}, error, VnKx_1_2::StatusFailed);
    }
    std::vector<FieldSummary> summaries = Summaries(adapter, parser.GetFieldInfo());
    const PartitionFilter filter(adapter, parser.GetFieldInfo(), partition);
    const int weightCell = adapter.GetVarList().GetWeightVarIndex();
    double unweighted = 0, weighted = 0, dropped = 0;
    const double expected = parser.GetRecordsCount(unweighted, weighted, dropped) ? unweighted : 0;

    VnKx_1_2::VnPeerRawRecIterator records(&data, &adapter, skipMissing_);
    std::uint64_t used = 0;
    for (int pass = 0; pass < 2; ++pass) {
      if (pass == 1 && records.NewPass() != 0) {
        if (used == 0) break;
        // The data could not be read a second time for the deviations.
        return Refuse(kHostFailure, {"rewind", "", ""}, error, VnKx_1_2::StatusFailed);
      }
      std::uint64_t read = 0;
      while (const RawRecord* record = records.NextRawRecord()) {
        if ((++read & 4095) == 0) {
          if (WasCancelled()) return Cancelled(error);
          int ignored = 0;
          Report_Progress(pass * expected + static_cast<double>(read), 2 * expected, &ignored);
        }
        if (!filter.Accepts(*record)) continue;
        double weight = 1;
        if (weightCell >= 0) {
          const RawData& cell = (*record)[static_cast<size_t>(weightCell)];
          weight = cell.IsMissing() ? 0 : Number(cell);
        }
        if (pass == 0) {
          ++used;
          for (FieldSummary& s : summaries) Count(s, (*record)[s.cell], weight);
        } else {
          for (FieldSummary& s : summaries) Deviate(s, (*record)[s.cell], weight);
        }
      }
      if (WasCancelled()) return Cancelled(error);
      int ignored = 0;
      Report_Progress(pass + 1, 2, &ignored);
    }
    const std::string partitionNote =
        filter.Active() ? partition + " (" + filter.Value() + ")" : std::string("all records");
    if (Task() == "partial") {
      // A worker's share may hold no usable record; the merge judges the whole.
      PublishPartial(summaries, used, records.getRecordsProcessed(), partitionNote);
      *error = 0;
      return VnKx_1_2::StatusOk;
    }
    if (used == 0) return Refuse(kNoUsableRecords, {}, error, VnKx_1_2::StatusFailed);
    Publish(summaries, used, records.getRecordsProcessed(), partitionNote);
    *error = 0;
    return VnKx_1_2::StatusOk;
  }

  static std::vector<FieldSummary> Summaries(VnKx_1_2::InputAdapter& adapter,
                                             const std::vector<FieldInfo*>& fields) {
    std::vector<FieldSummary> summaries;
    for (const int position : adapter.GetFieldIndexVector()) {
      FieldSummary s;
      s.field = fields[static_cast<size_t>(position)];
      s.name = s.field->GetFieldName();
      s.cell = static_cast<size_t>(s.field->GetIndexInVarList());
      s.continuous = s.field->GetType() == FieldInfo::T_CONTINUOUS;
      if (!s.continuous) s.order = DeclaredCategories(*s.field);
      for (const std::string& category : s.order) s.counts[category];
      summaries.push_back(std::move(s));
    }
    return summaries;
  }

  static std::vector<std::string> DeclaredCategories(const FieldInfo& field) {
    std::vector<std::string> texts;
    if (const auto* text = dynamic_cast<const VnKx_1_2::StrFieldInfo*>(&field)) {
      for (const std::string& value : text->GetValues()) {
        if (std::find(texts.begin(), texts.end(), value) == texts.end()) texts.push_back(value);
      }
    } else if (const auto* number = dynamic_cast<const VnKx_1_2::NumericFieldInfo*>(&field)) {
      for (const double value : number->GetValues()) {
        RawData cell;
        if (value == std::floor(value) && std::fabs(value) < 9e15) {
          cell.SetInteger(static_cast<std::int64_t>(value), false);
        } else {
          cell.SetDouble(value, RawData::kReal, false);
        }
        const std::string name = CellText(cell);
        if (std::find(texts.begin(), texts.end(), name) == texts.end()) texts.push_back(name);
      }
    }
    return texts;
  }

  static void Count(FieldSummary& s, const RawData& cell, double weight) {
    if (cell.IsMissing()) {
      ++s.missing;
      return;
    }
    ++s.values;
    s.weighted += weight;
    if (s.continuous) {
      const double x = Number(cell);
      s.sum += weight * static_cast<long double>(x);
      s.minimum = std::min(s.minimum, x);
      s.maximum = std::max(s.maximum, x);
      return;
    }
    // A text cell is counted under its own string; numbers are spelled out first.
    if (cell.GetType() == RawData::kText) {
      Tally(s, cell.GetString(), 1, weight);
    } else {
      Tally(s, CellText(cell), 1, weight);
    }
  }

  // Adds `count` records of total weight `weight` to a category (new ones go last in order).
  static void Tally(FieldSummary& s, const std::string& name, std::uint64_t count,
                    long double weight) {
    auto entry = s.counts.find(name);
    if (entry == s.counts.end()) {
      entry = s.counts.emplace(name, std::pair<std::uint64_t, long double>{0, 0}).first;
      s.order.push_back(name);
    }
    entry->second.first += count;
    entry->second.second += weight;
  }

  static void Deviate(FieldSummary& s, const RawData& cell, double weight) {
    if (!s.continuous || cell.IsMissing()) return;
    const long double d = static_cast<long double>(Number(cell)) - s.Mean();
    s.deviations += weight * d * d;
  }

  void Publish(const std::vector<FieldSummary>& summaries, std::uint64_t used, std::uint64_t read,
               const std::string& partitionNote) {
    ResultDocument result("describe");
    result.AddNote("records read", std::to_string(read));
    result.AddNote("records used", std::to_string(used));
    result.AddNote("partition", partitionNote);
    ResultDocument::Table continuous = result.AddTable(
        "Continuous fields", {"field", "n", "missing", "weighted", "mean", "sd", "min", "max"});
    ResultDocument::Table categorical =
        result.AddTable("Categorical fields", {"field", "n", "missing", "weighted", "categories"});
    ResultDocument::Table categories =
        result.AddTable("Categories", {"field", "category", "count", "weighted"});
    for (const FieldSummary& s : summaries) {
      const std::string& name = s.name;
      const std::string n = std::to_string(s.values);
      const std::string missing = std::to_string(s.missing);
      const std::string weighted = FormatNumber(static_cast<double>(s.weighted));
      if (s.continuous) {
        const bool any = s.values > 0;
        const double sd = s.weighted > 1
                              ? std::sqrt(static_cast<double>(s.deviations / (s.weighted - 1)))
                              : std::nan("");
        continuous.AddRow({name, n, missing, weighted,
                           any ? FormatNumber(static_cast<double>(s.Mean())) : "nan",
                           FormatNumber(sd), any ? FormatNumber(s.minimum) : "nan",
                           any ? FormatNumber(s.maximum) : "nan"});
        continue;
      }
      categorical.AddRow({name, n, missing, weighted, std::to_string(s.order.size())});
      for (const std::string& category : s.order) {
        const auto& count = s.counts.at(category);
        categories.AddRow({name, category, std::to_string(count.first),
                           FormatNumber(static_cast<double>(count.second))});
      }
    }
    resultDocument = result.Document();
  }

  bool skipMissing_ = false;
};

}  // namespace
}  // namespace VnKxExample

VNKX_DEFINE_COMPONENT(VnKxExample::DescribeComponent)
