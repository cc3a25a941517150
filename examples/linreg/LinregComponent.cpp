// linreg: weighted least squares of a continuous target on continuous and categorical inputs
// (dummy coded against a reference level: the first category, a flag's false value, or the
// level a "reference" parameter names), over the records of the chosen partition that miss no
// model value, weighted by the field of role freqWeight when there is one. The cross-products
// are accumulated in parallel on the host's thread pool. Parameters: "target" (default: the
// field of role target), "inputs" (default: the fields of role input), "categorical" (numeric
// inputs to treat as categories, levels in ascending order), "reference" (FIELD:LEVEL, one or
// more), "partition" (training, testing, validation or all; training by default). Run as workers,
// the three passes are three rounds: each worker counts its records and the levels it meets,
// then sums its cross-products with the merged levels, then its residuals with the coefficients
// the coordinator solved for once; every partial sum travels exactly.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "ComponentSupport.h"
#include "ResultDocument.h"
#include "SampleComponent.h"
#include "context/ContextInfo.h"
#include "datamodel/DataModelParser.h"
#include "external/common/IVnEncoder.h"
#include "external/common/Record.h"
#include "external/hosthelper/DataHelper.h"
#include "fields/NumericFieldInfo.h"
#include "fields/StrFieldInfo.h"
#include "input/InputAdapter.h"
#include "input/VnPeerIterator.h"
#include "peer/ComponentModule.h"
#include "peer/VnPeer.h"
#include "settings/VnSettingsFactory.h"
#include "threads/VnPeerThreadFactory.h"

namespace VnKxExample {
namespace {

using VnKx_1_2::FieldInfo;
using VnThread_1_2::IVnThreadTask;

// One model variable: a continuous column, or a categorical one with its levels (codes as they
// stand in the record, the first being the reference).
struct Term {
  std::string name;
  FieldInfo* field = nullptr;  // not known to the coordinator of workers
  size_t cell = 0;
  bool categorical = false;
  std::vector<double> codes;       // record codes of the levels, in level order
  std::vector<std::string> names;  // level names
  std::unordered_map<double, size_t> levelOf;
  size_t firstColumn = 0;  // its first column in the design
  size_t Columns() const { return categorical ? codes.size() - (codes.empty() ? 0 : 1) : 1; }
};

// Sums of one slice of the records: X'WX (upper triangle), X'Wy, and the weights.
struct Partial {
  explicit Partial(size_t p) : xtx(p * p, 0), xty(p, 0) {}
  std::vector<long double> xtx;
  std::vector<long double> xty;
  long double weights = 0;
  long double wy = 0;
  void Add(const Partial& other) {
    for (size_t i = 0; i < xtx.size(); ++i) xtx[i] += other.xtx[i];
    for (size_t i = 0; i < xty.size(); ++i) xty[i] += other.xty[i];
    weights += other.weights;
    wy += other.wy;
  }
};

// Rows of a batch are laid out as p design values, then y, then the weight.
class AccumulateTask : public IVnThreadTask {
 public:
  AccumulateTask(const std::vector<double>& rows, size_t p, size_t begin, size_t end,
                 Partial& partial)
      : rows_(rows), p_(p), begin_(begin), end_(end), partial_(partial) {}
  bool Run(int*) override {
    const size_t width = p_ + 2;
    for (size_t r = begin_; r < end_; ++r) {
      const double* row = &rows_[r * width];
      const long double y = row[p_];
      const long double w = row[p_ + 1];
      for (size_t i = 0; i < p_; ++i) {
        const long double wxi = w * row[i];
        if (wxi == 0) continue;
        long double* line = &partial_.xtx[i * p_];
        for (size_t j = i; j < p_; ++j) line[j] += wxi * row[j];
        partial_.xty[i] += wxi * y;
      }
      partial_.weights += w;
      partial_.wy += w * y;
    }
    return true;
  }

 private:
  const std::vector<double>& rows_;
  size_t p_, begin_, end_;
  Partial& partial_;
};

constexpr size_t kBatchRows = 8192;

class LinregComponent : public SampleComponent {
 public:
  LinregComponent(KxContext* context, KxHost* host, KxThreadFactoryStruct* threads)
      : SampleComponent(context, host), threads_(threads) {}

  unsigned int Initialize(int* error) override {
    VnKx_1_2::ContextInfo context;
    int ignored = 0;
    if (GetContextInformation(context, &ignored) == VnKx_1_2::StatusOk &&
        context.GetMaxCompThreads() > 0) {
      threadCount_ = context.GetMaxCompThreads();
    }
    return InitializeInput({"target", "inputs", "categorical", "reference"}, error,
                           {"levels", "beta", "meanY"});
  }

  unsigned int BeginExecution(const std::vector<KxIterator*>& iterators, KxProgress* record,
                              int* error) override {
    return Execute(iterators, record, error,
                   [this](KxCppHelperV1::DataHelper& data, int* e) { return Fit(data, e); });
  }

 private:
  FieldInfo* Admitted(VnKx_1_2::InputAdapter& adapter, const std::string& name) const {
    for (const int position : adapter.GetFieldIndexVector()) {
      FieldInfo* field = parsers[0]->GetFieldInfo()[static_cast<size_t>(position)];
      if (field->GetFieldName() == name) return field;
    }
    return nullptr;
  }

  // Chooses target and inputs; false (with a diagnostic) when they cannot be used.
  bool ChooseModel(VnKx_1_2::InputAdapter& adapter, int* error, unsigned int* status) {
    std::string targetName = Text(settings, "target", "");
    std::vector<std::string> inputNames = List(settings, "inputs");
    const std::vector<std::string> forced = List(settings, "categorical");
    for (const int position : adapter.GetFieldIndexVector()) {
      FieldInfo* field = parsers[0]->GetFieldInfo()[static_cast<size_t>(position)];
      if (targetName.empty() && field->GetDirection() == FieldInfo::D_TARGET) {
        targetName = field->GetFieldName();
      }
    }
    if (targetName.empty()) {
      *status = Refuse(kParameterMissing, {"target"}, error);
      return false;
    }
    if (inputNames.empty()) {
      for (const int position : adapter.GetFieldIndexVector()) {
        FieldInfo* field = parsers[0]->GetFieldInfo()[static_cast<size_t>(position)];
        if (field->GetDirection() == FieldInfo::D_INPUT && field->GetFieldName() != targetName) {
          inputNames.push_back(field->GetFieldName());
        }
      }
    }
    std::vector<std::string> fieldNames;
    for (const int position : adapter.GetFieldIndexVector()) {
      fieldNames.push_back(
          parsers[0]->GetFieldInfo()[static_cast<size_t>(position)]->GetFieldName());
    }
    target_ = Admitted(adapter, targetName);
    if (target_ == nullptr) {
      *status = Refuse(kNoSuchField, {targetName, Joined(fieldNames)}, error);
      return false;
    }
    // A categorical name must be one of the inputs: a misspelt one would leave its field
    // continuous without a word.
    for (const std::string& name : forced) {
      if (std::find(inputNames.begin(), inputNames.end(), name) == inputNames.end()) {
        *status = Refuse(
            Admitted(adapter, name) == nullptr ? kNoSuchField : kNotAnInput,
            {name, Joined(Admitted(adapter, name) == nullptr ? fieldNames : inputNames)}, error);
        return false;
      }
    }
    targetName_ = target_->GetFieldName();
    if (target_->GetType() != FieldInfo::T_CONTINUOUS) {
      *status = Refuse(kTargetNotContinuous, {targetName}, error, VnKx_1_2::StatusFailed);
      return false;
    }
    terms_.clear();
    for (const std::string& name : inputNames) {
      Term term;
      term.name = name;
      term.field = Admitted(adapter, name);
      if (term.field == nullptr) {
        *status = Refuse(kNoSuchField, {name, Joined(fieldNames)}, error);
        return false;
      }
      term.cell = static_cast<size_t>(term.field->GetIndexInVarList());
      const bool forcedCategorical = std::find(forced.begin(), forced.end(), name) != forced.end();
      term.categorical = forcedCategorical || term.field->GetType() != FieldInfo::T_CONTINUOUS;
      if (term.categorical && !forcedCategorical) DeclaredLevels(term);
      terms_.push_back(std::move(term));
    }
    return true;
  }

  // Levels of a categorical field from its declared values, as codes its reads give.
  static void DeclaredLevels(Term& term) {
    if (const auto* text = dynamic_cast<const VnKx_1_2::StrFieldInfo*>(term.field)) {
      std::set<std::string> seen;
      for (const std::string& value : text->GetValues()) {
        if (!seen.insert(value).second) continue;
        term.codes.push_back(term.field->GetEncoder()->EncodeDeclared(value));
        term.names.push_back(value);
      }
    } else if (const auto* number = dynamic_cast<const VnKx_1_2::NumericFieldInfo*>(term.field)) {
      std::set<double> seen;
      for (const double value : number->GetValues()) {
        if (!seen.insert(value).second) continue;
        term.codes.push_back(value);
        term.names.push_back(FormatNumber(value));
      }
    }
    // A flag's false value is its reference, and its coefficient is named after the true value,
    // as R codes a logical input (the data model declares the true value first).
    if (term.field->GetType() == FieldInfo::T_FLAG && term.codes.size() == 2) {
      std::swap(term.codes[0], term.codes[1]);
      std::swap(term.names[0], term.names[1]);
    }
    for (size_t i = 0; i < term.codes.size(); ++i) term.levelOf.emplace(term.codes[i], i);
  }

  // Every "reference" setting as FIELD:LEVEL texts (a setting may hold several, comma-separated
  // or as a list, and the parameter may be given more than once).
  std::vector<std::string> References() const {
    std::vector<std::string> all;
    for (std::size_t i = 0; i < settings.Count(); ++i) {
      const VnXML_1_2::VnSettings::Setting& setting = settings.At(i);
      if (setting.name != "reference") continue;
      VnXML_1_2::VnSettings one;
      if (setting.kind == VnXML_1_2::VnSettings::Kind::kTextList) {
        one.AddNewSetting("reference", setting.texts, "");
      } else {
        one.AddNewSetting("reference", setting.text, "");
      }
      for (const std::string& item : List(one, "reference")) all.push_back(item);
    }
    return all;
  }

  // Makes each named level its term's reference (the first level); false, with a diagnostic,
  // for a reference that names no categorical input or no level of it.
  bool ApplyReferences(int* error, unsigned int* status) {
    for (const std::string& reference : References()) {
      const std::size_t colon = reference.find(':');
      if (colon == std::string::npos || colon == 0) {
        *status = Refuse(kBadParameter, {"reference", reference + " (write FIELD:LEVEL)"}, error);
        return false;
      }
      const std::string fieldName = reference.substr(0, colon);
      const std::string levelName = reference.substr(colon + 1);
      Term* found = nullptr;
      std::vector<std::string> categorical;
      for (Term& term : terms_) {
        if (!term.categorical) continue;
        categorical.push_back(term.name);
        if (term.name == fieldName) found = &term;
      }
      if (found == nullptr) {
        *status = Refuse(kNoSuchCategoricalInput, {fieldName, Joined(categorical)}, error);
        return false;
      }
      const auto level = std::find(found->names.begin(), found->names.end(), levelName);
      if (level == found->names.end()) {
        *status = Refuse(kNoSuchLevel, {fieldName, levelName, Joined(found->names)}, error);
        return false;
      }
      const auto index = static_cast<std::ptrdiff_t>(level - found->names.begin());
      std::rotate(found->names.begin(), found->names.begin() + index,
                  found->names.begin() + index + 1);
      std::rotate(found->codes.begin(), found->codes.begin() + index,
                  found->codes.begin() + index + 1);
      found->levelOf.clear();
      for (size_t i = 0; i < found->codes.size(); ++i) found->levelOf.emplace(found->codes[i], i);
    }
    return true;
  }

  // Whether a record of the chosen partition.
  bool InPartition(const VnCommon_1_2::Record& record) const {
    return partitionCell_ < 0 || record[static_cast<size_t>(partitionCell_)] == partitionCode_;
  }

  void ChoosePartition(VnKx_1_2::InputAdapter& adapter) {
    static const char* const kChoices[] = {"training", "testing", "validation"};
    std::string name;
    partitionCell_ = -1;
    if (partition == "all" || !adapter.GetPartitionFieldName(name)) return;
    FieldInfo* field = Admitted(adapter, name);
    if (field == nullptr) return;
    std::vector<std::string> values;
    std::vector<bool> flags;
    field->GetPartitionValue(values, flags);
    for (size_t slot = 0; slot < 3; ++slot) {
      if (partition != kChoices[slot] || !flags[slot]) continue;
      partitionCell_ = field->GetIndexInVarList();
      partitionValue_ = values[slot];
      partitionCode_ = field->GetStorage() == FieldInfo::S_STRING
                           ? field->GetEncoder()->EncodeDeclared(values[slot])
                           : std::strtod(values[slot].c_str(), nullptr);
    }
  }

  // Writes one design row (p values, then y, then w) for a usable record; false when a
  // category is not among the levels.
  bool DesignRow(const VnCommon_1_2::Record& record, double w, double* row) const {
    size_t column = 0;
    row[column++] = 1.0;
    for (const Term& term : terms_) {
      const double value = record[term.cell];
      if (!term.categorical) {
        row[column++] = value;
        continue;
      }
      const auto level = term.levelOf.find(value);
      if (level == term.levelOf.end()) return false;
      for (size_t l = 1; l < term.codes.size(); ++l) row[column++] = level->second == l ? 1.0 : 0.0;
    }
    row[column] = record[static_cast<size_t>(target_->GetIndexInVarList())];
    row[column + 1] = w;
    return true;
  }

  // Whether every categorical input with declared levels holds one of them.
  bool KnownLevels(const VnCommon_1_2::Record& record) const {
    for (const Term& term : terms_) {
      if (term.categorical && !term.codes.empty() && term.levelOf.count(record[term.cell]) == 0) {
        return false;
      }
    }
    return true;
  }

  double Weight(const VnCommon_1_2::Record& record, int weightCell) const {
    return weightCell < 0 ? 1.0 : record[static_cast<size_t>(weightCell)];
  }

  // What pass 1 counts.
  struct Counts {
    std::uint64_t used = 0, outside = 0, skipped = 0;
  };

  // Runs the model over the records: all three passes in one process, or, as a worker, the
  // pass its task names ("levels", "crossproducts", "residuals") with what earlier rounds
  // decided taken from the task.
  unsigned int Fit(KxCppHelperV1::DataHelper& data, int* error) {
    VnKx_1_2::InputAdapter adapter(&data, *parsers[0], false, false, false, false, false);
    if (!adapter.BuildVarlist(error))
      return Refuse(kNoUsableRecords, {}, error, VnKx_1_2::StatusFailed);
    unsigned int status = VnKx_1_2::StatusOk;
    if (!ChooseModel(adapter, error, &status)) return status;
    ChoosePartition(adapter);
    const int weightCell = adapter.GetVarList().GetWeightVarIndex();

    // Records missing any model value are skipped by the iterator.
    std::vector<bool> skip(static_cast<size_t>(adapter.GetSize()), false);
    for (size_t k = 0; k < skip.size(); ++k) {
      FieldInfo* field =
          parsers[0]->GetFieldInfo()[static_cast<size_t>(adapter.GetFieldIndexVector()[k])];
      bool model = field == target_ || field->GetIndexInVarList() == weightCell;
      for (const Term& term : terms_) model = model || term.field == field;
      skip[k] = model;
    }
    VnKx_1_2::VnPeerIterator records(&data, &adapter, false);
    records.SetSkipMissingVector(skip);
    records.NewPass();  // the first look-ahead was judged before the skip rule was set
    const std::string& task = Task();
    int ignored = 0;

    if (task.empty() || task == "levels") {
      std::vector<std::set<double>> levels;
      CountRecords(records, counts_, levels);
      if (WasCancelled()) return Cancelled(error);
      Report_Progress(1, 3, &ignored);
      if (task == "levels") {
        PublishLevels(levels);
        return Done(error);
      }
      if (counts_.used == 0) return Refuse(kNoUsableRecords, {}, error, VnKx_1_2::StatusFailed);
      AddLevels(levels);
      if (!ApplyReferences(error, &status)) return status;
    } else if (!TaskLevels()) {
      return Refuse(kBadParameter, {"levels", Text(settings, "levels", "")}, error);
    }
    const size_t p = ColumnNames().size();

    if (task.empty() || task == "crossproducts") {
      total_ = Partial(p);
      const unsigned int passStatus = Accumulate(records, weightCell, p, total_, error);
      if (passStatus != VnKx_1_2::StatusOk) return passStatus;
      Report_Progress(2, 3, &ignored);
      if (task == "crossproducts") {
        PublishCrossProducts();
        return Done(error);
      }
      if (!Solve(error, &status)) return status;
    } else if (!TaskSolution(p)) {
      return Refuse(kBadParameter, {"beta", Text(settings, "beta", "")}, error);
    }

    // Pass 3: residual and total sums of squares.
    rss_ = tss_ = 0;
    if (records.NewPass() != 0 && task.empty()) {
      return Refuse(kHostFailure, {"rewind", "", ""}, error, VnKx_1_2::StatusFailed);
    }
    std::vector<double> row(p + 2);
    std::uint64_t read = 0;
    while (const VnCommon_1_2::Record* record = records.Next()) {
      if ((++read & 4095) == 0 && WasCancelled()) return Cancelled(error);
      if (!InPartition(*record) || !DesignRow(*record, Weight(*record, weightCell), row.data()))
        continue;
      long double fitted = 0;
      for (size_t i = 0; i < p; ++i) fitted += beta_[i] * row[i];
      const long double w = row[p + 1];
      const long double residual = row[p] - fitted;
      rss_ += w * residual * residual;
      tss_ += w * (row[p] - meanY_) * (row[p] - meanY_);
    }
    if (WasCancelled()) return Cancelled(error);
    Report_Progress(3, 3, &ignored);
    if (task == "residuals") {
      KxCppHelperV1::XMLDocument partial = PartialDocument();
      partial.addAttribute("rss", Exact(rss_));
      partial.addAttribute("tss", Exact(tss_));
      resultDocument = partial;
      return Done(error);
    }
    Publish();
    return Done(error);
  }

  unsigned int Done(int* error) {
    *error = 0;
    return VnKx_1_2::StatusOk;
  }

  // Pass 1: the records used, outside the partition or skipped, and the levels met of numeric
  // inputs treated as categories.
  void CountRecords(VnKx_1_2::VnPeerIterator& records, Counts& counts,
                    std::vector<std::set<double>>& levels) const {
    levels.assign(terms_.size(), {});
    counts = Counts();
    std::uint64_t unknown = 0;
    while (const VnCommon_1_2::Record* record = records.Next()) {
      if (!InPartition(*record)) {
        ++counts.outside;
        continue;
      }
      if (!KnownLevels(*record)) {
        ++unknown;
        continue;
      }
      ++counts.used;
      for (size_t t = 0; t < terms_.size(); ++t) {
        if (terms_[t].categorical && terms_[t].codes.empty())
          levels[t].insert((*record)[terms_[t].cell]);
      }
    }
    counts.skipped = records.GetRecordsSkipped() + unknown;
  }

  // Gives the numeric inputs treated as categories the levels met, in ascending order.
  void AddLevels(const std::vector<std::set<double>>& levels) {
    for (size_t t = 0; t < terms_.size(); ++t) {
      Term& term = terms_[t];
      if (!term.categorical || !term.codes.empty()) continue;
      for (const double value : levels[t]) {
        term.levelOf.emplace(value, term.codes.size());
        term.codes.push_back(value);
        term.names.push_back(FormatNumber(value));
      }
    }
  }

  // The design's column names; sets each term's first column.
  std::vector<std::string> ColumnNames() {
    std::vector<std::string> names = {"(Intercept)"};
    for (Term& term : terms_) {
      term.firstColumn = names.size();
      if (!term.categorical) {
        names.push_back(term.name);
        continue;
      }
      for (size_t l = 1; l < term.names.size(); ++l) names.push_back(term.name + term.names[l]);
    }
    return names;
  }

  // Solves the normal equations of `total_`; false (with a diagnostic) for a singular design.
  bool Solve(int* error, unsigned int* status) {
    const std::vector<std::string> names = ColumnNames();
    const size_t p = names.size();
    size_t singular = 0;
    if (!Invert(total_.xtx, p, inverse_, singular)) {
      *status = Refuse(kSingularDesign, {names[singular]}, error, VnKx_1_2::StatusFailed);
      return false;
    }
    beta_.assign(p, 0);
    for (size_t i = 0; i < p; ++i) {
      for (size_t j = 0; j < p; ++j) beta_[i] += inverse_[i * p + j] * total_.xty[j];
    }
    meanY_ = total_.wy / total_.weights;
    return true;
  }

  void Publish() {
    const std::vector<std::string> names = ColumnNames();
    const size_t p = names.size();
    const long double df = total_.weights - static_cast<long double>(p);
    const long double sigma2 = df > 0 ? rss_ / df : std::nan("");
    ResultDocument result("linreg");
    result.AddNote("target", targetName_);
    result.AddNote("records used", std::to_string(counts_.used));
    result.AddNote("records skipped (missing or unknown values)", std::to_string(counts_.skipped));
    result.AddNote("records outside the partition", std::to_string(counts_.outside));
    result.AddNote("weighted records", FormatNumber(static_cast<double>(total_.weights)));
    result.AddNote("r squared", FormatNumber(static_cast<double>(1 - rss_ / tss_)));
    result.AddNote("residual standard error", FormatNumber(std::sqrt(static_cast<double>(sigma2))));
    ResultDocument::Table coefficients =
        result.AddTable("Coefficients", {"term", "estimate", "std. error"});
    for (size_t i = 0; i < p; ++i) {
      const double se = std::sqrt(static_cast<double>(sigma2 * inverse_[i * p + i]));
      coefficients.AddRow(
          {names[i], FormatNumber(static_cast<double>(beta_[i])), FormatNumber(se)});
    }
    resultDocument = result.Document();
  }

  // --- Running as workers: the coordinator's rounds and the workers' partial results. ---

  std::vector<std::pair<std::string, std::string>> WorkerTask() const override {
    if (round_ == "levels") return {{"task", "levels"}};
    std::vector<std::pair<std::string, std::string>> task = {{"task", round_},
                                                             {"levels", EncodeLevels()}};
    if (round_ == "residuals") {
      task.emplace_back("beta", ExactList(beta_));
      task.emplace_back("meanY", Exact(meanY_));
    }
    return task;
  }

  unsigned int Merge(const std::vector<KxCppHelperV1::XMLDocument>& partials, int* error) override {
    unsigned int status = VnKx_1_2::StatusOk;
    if (round_ == "levels") {
      if (!MergeLevels(partials, error, &status)) return status;
      round_ = "crossproducts";
      followOn_ = true;
    } else if (round_ == "crossproducts") {
      const size_t p = ColumnNames().size();
      total_ = Partial(p);
      for (const KxCppHelperV1::XMLDocument& partial : partials) {
        Partial part(p);
        if (!Numbers(partial.getAttribute("xtx"), part.xtx) ||
            !Numbers(partial.getAttribute("xty"), part.xty)) {
          return Refuse(kHostFailure, {"getPartialResult", "crossproducts", ""}, error,
                        VnKx_1_2::StatusFailed);
        }
        part.weights = FromExact(partial.getAttribute("weights"));
        part.wy = FromExact(partial.getAttribute("wy"));
        total_.Add(part);
      }
      if (!Solve(error, &status)) return status;
      round_ = "residuals";
      followOn_ = true;
    } else {
      rss_ = tss_ = 0;
      for (const KxCppHelperV1::XMLDocument& partial : partials) {
        rss_ += FromExact(partial.getAttribute("rss"));
        tss_ += FromExact(partial.getAttribute("tss"));
      }
      Publish();
      round_ = "levels";
    }
    return Done(error);
  }

  // The counts of all workers, the model's terms as worker 0 chose them, and the levels met by
  // any worker; then the references, as one process applies them.
  bool MergeLevels(const std::vector<KxCppHelperV1::XMLDocument>& partials, int* error,
                   unsigned int* status) {
    counts_ = Counts();
    terms_.clear();
    std::vector<std::set<double>> levels;
    for (const KxCppHelperV1::XMLDocument& partial : partials) {
      counts_.used += std::stoull(partial.getAttribute("used"));
      counts_.outside += std::stoull(partial.getAttribute("outside"));
      counts_.skipped += std::stoull(partial.getAttribute("skipped"));
      targetName_ = partial.getAttribute("target");
      const bool first = terms_.empty();
      size_t t = 0;
      for (auto it = partial.getElements("Term"); it.hasMore(); ++t) {
        const KxCppHelperV1::XMLElement element = it.next();
        if (first) {
          Term term;
          term.name = element.getAttribute("name");
          term.categorical = element.getAttribute("categorical") == "true";
          terms_.push_back(std::move(term));
          levels.emplace_back();
        }
        if (t >= terms_.size()) break;
        Term& term = terms_[t];
        const bool met = element.getAttribute("met") == "true";
        for (auto level = element.getElements("Level"); level.hasMore();) {
          const KxCppHelperV1::XMLElement one = level.next();
          const double code = static_cast<double>(FromExact(one.getAttribute("code")));
          if (met) {
            levels[t].insert(code);
          } else if (first) {
            term.levelOf.emplace(code, term.codes.size());
            term.codes.push_back(code);
            term.names.push_back(one.getAttribute("name"));
          }
        }
      }
    }
    if (counts_.used == 0) {
      *status = Refuse(kNoUsableRecords, {}, error, VnKx_1_2::StatusFailed);
      return false;
    }
    AddLevels(levels);
    return ApplyReferences(error, status);
  }

  // Levels of every categorical term, in level order: codes by ',', terms by ';'.
  std::string EncodeLevels() const {
    std::string text;
    for (size_t t = 0; t < terms_.size(); ++t) {
      if (t > 0) text += ';';
      text += ExactList(terms_[t].codes);
    }
    return text;
  }

  // A worker's levels from its task; false when they do not fit its terms.
  bool TaskLevels() {
    const std::string text = Text(settings, "levels", "");
    size_t t = 0, begin = 0;
    for (;; ++t) {
      const size_t end = std::min(text.find(';', begin), text.size());
      if (t >= terms_.size()) return false;
      Term& term = terms_[t];
      std::vector<long double> codes;
      if (!Numbers(text.substr(begin, end - begin), codes)) return false;
      if (term.categorical) {
        term.codes.clear();
        term.names.clear();
        term.levelOf.clear();
        for (const long double code : codes) {
          term.levelOf.emplace(static_cast<double>(code), term.codes.size());
          term.codes.push_back(static_cast<double>(code));
          term.names.push_back(FormatNumber(static_cast<double>(code)));
        }
      }
      if (end == text.size()) break;
      begin = end + 1;
    }
    return t + 1 == terms_.size();
  }

  // A worker's solution (coefficients and the target's mean) from its task.
  bool TaskSolution(size_t p) {
    std::vector<long double> beta;
    if (!Numbers(Text(settings, "beta", ""), beta) || beta.size() != p) return false;
    beta_ = beta;
    meanY_ = FromExact(Text(settings, "meanY", "0"));
    return true;
  }

  // Numbers as ExactList writes them (exact, separated by ','); an empty text is none.
  static bool Numbers(const std::string& text, std::vector<long double>& numbers) {
    std::vector<long double> read;
    size_t begin = 0;
    while (begin < text.size()) {
      const size_t end = std::min(text.find(',', begin), text.size());
      const std::string item = text.substr(begin, end - begin);
      char* stop = nullptr;
      read.push_back(std::strtold(item.c_str(), &stop));
      if (item.empty() || *stop != '\0') return false;
      begin = end + 1;
    }
    if (!numbers.empty() && read.size() != numbers.size()) return false;
    numbers = std::move(read);
    return true;
  }

  // Exact numbers separated by ','.
  template <typename T>
  static std::string ExactList(const std::vector<T>& numbers) {
    std::string text;
    for (const T number : numbers) text += (text.empty() ? "" : ",") + Exact(number);
    return text;
  }

  KxCppHelperV1::XMLDocument PartialDocument() const {
    KxCppHelperV1::XMLDocument partial = KxCppHelperV1::HostHelper::createNew("Partial");
    partial.addAttribute("component", "linreg");
    partial.addAttribute("task", Task());
    return partial;
  }

  // Pass 1 of a worker: its counts, its terms and their levels (declared, or met in its rows).
  void PublishLevels(const std::vector<std::set<double>>& levels) {
    KxCppHelperV1::XMLDocument partial = PartialDocument();
    partial.addAttribute("used", std::to_string(counts_.used));
    partial.addAttribute("outside", std::to_string(counts_.outside));
    partial.addAttribute("skipped", std::to_string(counts_.skipped));
    partial.addAttribute("target", targetName_);
    for (size_t t = 0; t < terms_.size(); ++t) {
      const Term& term = terms_[t];
      KxCppHelperV1::XMLElement element = partial.addElement("Term");
      element.addAttribute("name", term.name);
      element.addAttribute("categorical", term.categorical ? "true" : "false");
      const bool met = term.categorical && term.codes.empty();
      element.addAttribute("met", met ? "true" : "false");
      if (met) {
        for (const double code : levels[t]) {
          element.addElement("Level").addAttribute("code", Exact(code));
        }
        continue;
      }
      for (size_t l = 0; l < term.codes.size(); ++l) {
        KxCppHelperV1::XMLElement level = element.addElement("Level");
        level.addAttribute("code", Exact(term.codes[l]));
        level.addAttribute("name", term.names[l]);
      }
    }
    resultDocument = partial;
  }

  void PublishCrossProducts() {
    KxCppHelperV1::XMLDocument partial = PartialDocument();
    partial.addAttribute("xtx", ExactList(total_.xtx));
    partial.addAttribute("xty", ExactList(total_.xty));
    partial.addAttribute("weights", Exact(total_.weights));
    partial.addAttribute("wy", Exact(total_.wy));
    resultDocument = partial;
  }

  unsigned int Accumulate(VnKx_1_2::VnPeerIterator& records, int weightCell, size_t p,
                          Partial& total, int* error) {
    // One slice of each batch per thread, and never more slices than a pool has threads: a
    // host that offers more threads than it can run gets no more work items for it.
    const size_t slices = static_cast<size_t>(std::clamp(threadCount_, 1, kMaxSlices));
    VnKx_1_2::VnPeerThreadFactory factory(threads_);
    std::unique_ptr<VnThread_1_2::IVnThreadPool> pool(factory.CreateThreadPool(threadCount_));
    std::vector<Partial> partials(slices, Partial(p));
    std::vector<double> rows(kBatchRows * (p + 2));
    if (records.NewPass() != 0) return VnKx_1_2::StatusOk;
    size_t filled = 0;
    auto flush = [&]() -> bool {
      std::vector<std::unique_ptr<AccumulateTask>> owned;
      std::vector<IVnThreadTask*> tasks;
      for (size_t s = 0; s < slices; ++s) {
        owned.push_back(std::make_unique<AccumulateTask>(rows, p, filled * s / slices,
                                                         filled * (s + 1) / slices, partials[s]));
        tasks.push_back(owned.back().get());
      }
      const bool ok = pool ? pool->RunTasks(tasks) : true;
      if (!pool) {
        for (IVnThreadTask* task : tasks) task->Run(nullptr);
      }
      filled = 0;
      return ok;
    };
    while (const VnCommon_1_2::Record* record = records.Next()) {
      if (!InPartition(*record)) continue;
      if (DesignRow(*record, Weight(*record, weightCell), &rows[filled * (p + 2)])) ++filled;
      if (filled == kBatchRows) {
        if (WasCancelled()) return Cancelled(error);
        if (!flush())
          return Refuse(kHostFailure, {"runTasks", "", ""}, error, VnKx_1_2::StatusFailed);
      }
    }
    if (filled > 0 && !flush()) {
      return Refuse(kHostFailure, {"runTasks", "", ""}, error, VnKx_1_2::StatusFailed);
    }
    if (WasCancelled()) return Cancelled(error);
    for (const Partial& partial : partials) total.Add(partial);
    for (size_t i = 0; i < p; ++i) {
      for (size_t j = 0; j < i; ++j) total.xtx[i * p + j] = total.xtx[j * p + i];
    }
    return VnKx_1_2::StatusOk;
  }

  // Inverts a symmetric positive definite matrix by Cholesky factorisation; false with the first
  // column that depends on the ones before it.
  static bool Invert(const std::vector<long double>& a, size_t p, std::vector<long double>& inverse,
                     size_t& singular) {
    std::vector<long double> l(p * p, 0);
    for (size_t j = 0; j < p; ++j) {
      long double d = a[j * p + j];
      for (size_t k = 0; k < j; ++k) d -= l[j * p + k] * l[j * p + k];
      if (!(d > 1e-12L * std::max<long double>(a[j * p + j], 1e-300L))) {
        singular = j;
        return false;
      }
      l[j * p + j] = std::sqrt(d);
      for (size_t i = j + 1; i < p; ++i) {
        long double s = a[i * p + j];
        for (size_t k = 0; k < j; ++k) s -= l[i * p + k] * l[j * p + k];
        l[i * p + j] = s / l[j * p + j];
      }
    }
    // Columns of the inverse: solve L L' x = e_c.
    inverse.assign(p * p, 0);
    std::vector<long double> z(p);
    for (size_t c = 0; c < p; ++c) {
      for (size_t i = 0; i < p; ++i) {
        long double s = i == c ? 1 : 0;
        for (size_t k = 0; k < i; ++k) s -= l[i * p + k] * z[k];
        z[i] = s / l[i * p + i];
      }
      for (size_t i = p; i-- > 0;) {
        long double s = z[i];
        for (size_t k = i + 1; k < p; ++k) s -= l[k * p + i] * inverse[k * p + c];
        inverse[i * p + c] = s / l[i * p + i];
      }
    }
    return true;
  }

  KxThreadFactoryStruct* threads_;
  int threadCount_ = 1;
  static constexpr int kMaxSlices = 64;
  FieldInfo* target_ = nullptr;
  std::vector<Term> terms_;
  std::string targetName_;
  Counts counts_;
  Partial total_{0};
  std::vector<long double> inverse_;
  std::vector<long double> beta_;
  long double meanY_ = 0;
  long double rss_ = 0, tss_ = 0;
  // The coordinator's next round of workers: "levels", "crossproducts", "residuals".
  std::string round_ = "levels";
  int partitionCell_ = -1;
  std::string partitionValue_;
  double partitionCode_ = 0;
};

}  // namespace
}  // namespace VnKxExample

VNKX_DEFINE_COMPONENT(VnKxExample::LinregComponent)
