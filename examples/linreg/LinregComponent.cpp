// linreg: weighted least squares of a continuous target on continuous and categorical inputs
// (dummy coded against a reference level: the first category, a flag's false value, or the
// level a "reference" parameter names), over the records of the chosen partition that miss no
// model value, weighted by the field of role freqWeight when there is one. The cross-products
// are accumulated in parallel on the host's thread pool. Parameters: "target" (default: the
// field of role target), "inputs" (default: the fields of role input), "categorical" (numeric
// inputs to treat as categories, levels in ascending order), "reference" (FIELD:LEVEL, one or
// more), "partition" (training, testing, validation or all; training by default).

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
  FieldInfo* field = nullptr;
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
    return InitializeInput({"target", "inputs", "categorical", "reference"}, error);
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
    if (target_->GetType() != FieldInfo::T_CONTINUOUS) {
      *status = Refuse(kTargetNotContinuous, {targetName}, error, VnKx_1_2::StatusFailed);
      return false;
    }
    terms_.clear();
    for (const std::string& name : inputNames) {
      Term term;
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
        categorical.push_back(term.field->GetFieldName());
        if (term.field->GetFieldName() == fieldName) found = &term;
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

    // Pass 1: the levels of numeric inputs treated as categories, and the records used.
    std::vector<std::set<double>> levels(terms_.size());
    std::uint64_t used = 0, outside = 0, unknown = 0;
    while (const VnCommon_1_2::Record* record = records.Next()) {
      if (!InPartition(*record)) {
        ++outside;
        continue;
      }
      if (!KnownLevels(*record)) {
        ++unknown;
        continue;
      }
      ++used;
      for (size_t t = 0; t < terms_.size(); ++t) {
        if (terms_[t].categorical && terms_[t].codes.empty())
          levels[t].insert((*record)[terms_[t].cell]);
      }
    }
    const std::uint64_t skipped = records.GetRecordsSkipped() + unknown;
    if (WasCancelled()) return Cancelled(error);
    int ignored = 0;
    Report_Progress(1, 3, &ignored);
    if (used == 0) return Refuse(kNoUsableRecords, {}, error, VnKx_1_2::StatusFailed);
    for (size_t t = 0; t < terms_.size(); ++t) {
      Term& term = terms_[t];
      if (!term.categorical || !term.codes.empty()) continue;
      for (const double value : levels[t]) {
        term.levelOf.emplace(value, term.codes.size());
        term.codes.push_back(value);
        term.names.push_back(FormatNumber(value));
      }
    }
    if (!ApplyReferences(error, &status)) return status;
    std::vector<std::string> names = {"(Intercept)"};
    for (Term& term : terms_) {
      term.firstColumn = names.size();
      if (!term.categorical) {
        names.push_back(term.field->GetFieldName());
        continue;
      }
      for (size_t l = 1; l < term.names.size(); ++l) {
        names.push_back(term.field->GetFieldName() + term.names[l]);
      }
    }
    const size_t p = names.size();

    // Pass 2: the cross-products, batch by batch on the host's threads.
    Partial total(p);
    unsigned int passStatus = Accumulate(records, weightCell, p, total, error);
    if (passStatus != VnKx_1_2::StatusOk) return passStatus;
    Report_Progress(2, 3, &ignored);

    std::vector<long double> inverse;
    size_t singular = 0;
    if (!Invert(total.xtx, p, inverse, singular)) {
      return Refuse(kSingularDesign, {names[singular]}, error, VnKx_1_2::StatusFailed);
    }
    std::vector<long double> beta(p, 0);
    for (size_t i = 0; i < p; ++i) {
      for (size_t j = 0; j < p; ++j) beta[i] += inverse[i * p + j] * total.xty[j];
    }

    // Pass 3: residual and total sums of squares.
    const long double meanY = total.wy / total.weights;
    long double rss = 0, tss = 0;
    if (records.NewPass() != 0 && used > 0) {
      return Refuse(kHostFailure, {"rewind", "", ""}, error, VnKx_1_2::StatusFailed);
    }
    std::vector<double> row(p + 2);
    std::uint64_t read = 0;
    while (const VnCommon_1_2::Record* record = records.Next()) {
      if ((++read & 4095) == 0 && WasCancelled()) return Cancelled(error);
      if (!InPartition(*record) || !DesignRow(*record, Weight(*record, weightCell), row.data()))
        continue;
      long double fitted = 0;
      for (size_t i = 0; i < p; ++i) fitted += beta[i] * row[i];
      const long double w = row[p + 1];
      const long double residual = row[p] - fitted;
      rss += w * residual * residual;
      tss += w * (row[p] - meanY) * (row[p] - meanY);
    }
    if (WasCancelled()) return Cancelled(error);
    Report_Progress(3, 3, &ignored);

    const long double df = total.weights - static_cast<long double>(p);
    const long double sigma2 = df > 0 ? rss / df : std::nan("");
    ResultDocument result("linreg");
    result.AddNote("target", target_->GetFieldName());
    result.AddNote("records used", std::to_string(used));
    result.AddNote("records skipped (missing or unknown values)", std::to_string(skipped));
    result.AddNote("records outside the partition", std::to_string(outside));
    result.AddNote("weighted records", FormatNumber(static_cast<double>(total.weights)));
    result.AddNote("r squared", FormatNumber(static_cast<double>(1 - rss / tss)));
    result.AddNote("residual standard error", FormatNumber(std::sqrt(static_cast<double>(sigma2))));
    ResultDocument::Table coefficients =
        result.AddTable("Coefficients", {"term", "estimate", "std. error"});
    for (size_t i = 0; i < p; ++i) {
      const double se = std::sqrt(static_cast<double>(sigma2 * inverse[i * p + i]));
      coefficients.AddRow({names[i], FormatNumber(static_cast<double>(beta[i])), FormatNumber(se)});
    }
    resultDocument = result.Document();
    *error = 0;
    return VnKx_1_2::StatusOk;
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
  int partitionCell_ = -1;
  std::string partitionValue_;
  double partitionCode_ = 0;
};

}  // namespace
}  // namespace VnKxExample

VNKX_DEFINE_COMPONENT(VnKxExample::LinregComponent)
