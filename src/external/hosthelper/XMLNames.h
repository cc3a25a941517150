#pragma once

// Element, attribute and entity names of the host's documents. An element's name is its own
// text; an attribute's or entity's text is its name with the first letter lower-cased.

namespace KxCppHelperV1 {

struct XMLElements {
  static constexpr const char* Attribute = "Attribute";
  static constexpr const char* BaseField = "BaseField";
  static constexpr const char* Category = "Category";
  static constexpr const char* Context = "Context";
  static constexpr const char* ContextSeed = "ContextSeed";
  static constexpr const char* ContinuousStatistics = "ContinuousStatistics";
  static constexpr const char* DateFormat = "DateFormat";
  static constexpr const char* DecoratedFormat = "DecoratedFormat";
  static constexpr const char* Diagnostic = "Diagnostic";
  static constexpr const char* DiscreteStatistics = "DiscreteStatistics";
  static constexpr const char* Field = "Field";
  static constexpr const char* FieldFormat = "FieldFormat";
  static constexpr const char* FieldFormats = "FieldFormats";
  static constexpr const char* Fields = "Fields";
  static constexpr const char* Host = "Host";
  static constexpr const char* LibraryDetail = "LibraryDetail";
  static constexpr const char* ListValue = "ListValue";
  static constexpr const char* MissingValues = "MissingValues";
  static constexpr const char* ModelField = "ModelField";
  static constexpr const char* MultithreadingParms = "MultithreadingParms";
  static constexpr const char* NumberFormat = "NumberFormat";
  static constexpr const char* Parameter = "Parameter";
  static constexpr const char* Range = "Range";
  static constexpr const char* RecordCounts = "RecordCounts";
  static constexpr const char* StringFormat = "StringFormat";
  static constexpr const char* StructuredValue = "StructuredValue";
  static constexpr const char* TempDir = "TempDir";
  static constexpr const char* TimeFormat = "TimeFormat";
  static constexpr const char* Value = "Value";
  static constexpr const char* ValueLabels = "ValueLabels";
  static constexpr const char* Values = "Values";
};

struct XMLAttributes {
  static constexpr const char* Alignment = "alignment";
  static constexpr const char* AppName = "appName";
  static constexpr const char* AppVersion = "appVersion";
  static constexpr const char* Category = "category";
  static constexpr const char* Code = "code";
  static constexpr const char* Copyright = "copyright";
  static constexpr const char* Count = "count";
  static constexpr const char* CustomCurrType = "customCurrType";
  static constexpr const char* DecimalPlaces = "decimalPlaces";
  static constexpr const char* DecimalSymbol = "decimalSymbol";
  static constexpr const char* DefaultDateFormat = "defaultDateFormat";
  static constexpr const char* DefaultNumberFormat = "defaultNumberFormat";
  static constexpr const char* DefaultStringFormat = "defaultStringFormat";
  static constexpr const char* DefaultTimeFormat = "defaultTimeFormat";
  static constexpr const char* DefinePartition = "definePartition";
  static constexpr const char* DisplayLabel = "displayLabel";
  static constexpr const char* DroppedCount = "droppedCount";
  static constexpr const char* ExactMaximum = "exactMaximum";
  static constexpr const char* ExactMinimum = "exactMinimum";
  static constexpr const char* FlagValue = "flagValue";
  static constexpr const char* FormatType = "formatType";
  static constexpr const char* Group = "group";
  static constexpr const char* GroupingSymbol = "groupingSymbol";
  static constexpr const char* Hexadecimal = "hexadecimal";
  static constexpr const char* InstallationPath = "installationPath";
  static constexpr const char* MaxCompThreads = "maxCompThreads";
  static constexpr const char* MaxValue = "maxValue";
  static constexpr const char* Maximum = "maximum";
  static constexpr const char* Mean = "mean";
  static constexpr const char* Measure = "measure";
  static constexpr const char* MemCacheKB = "memCacheKB";
  static constexpr const char* MinValue = "minValue";
  static constexpr const char* Minimum = "minimum";
  static constexpr const char* Name = "name";
  static constexpr const char* NamesLocal = "namesLocal";
  static constexpr const char* NegPrefix = "negPrefix";
  static constexpr const char* NegSuffix = "negSuffix";
  static constexpr const char* PaddedHMS = "paddedHMS";
  static constexpr const char* Path = "path";
  static constexpr const char* Prefix = "prefix";
  static constexpr const char* Role = "role";
  static constexpr const char* Separator = "separator";
  static constexpr const char* Severity = "severity";
  static constexpr const char* Storage = "storage";
  static constexpr const char* Suffix = "suffix";
  static constexpr const char* SumCompWts = "sumCompWts";
  static constexpr const char* SumFreqWts = "sumFreqWts";
  static constexpr const char* Tag = "tag";
  static constexpr const char* TargetField = "targetField";
  static constexpr const char* TargetFieldStorage = "targetFieldStorage";
  static constexpr const char* TwoDigitYear = "twoDigitYear";
  static constexpr const char* UnweightedCount = "unweightedCount";
  static constexpr const char* UseNamedFormat = "useNamedFormat";
  static constexpr const char* Value = "value";
  static constexpr const char* Variance = "variance";
  static constexpr const char* VendorName = "vendorName";
  static constexpr const char* WeightedCount = "weightedCount";
  static constexpr const char* Width = "width";
};

struct XMLEntities {
  static constexpr const char* Error = "error";
  static constexpr const char* Fatal = "fatal";
  static constexpr const char* Information = "information";
  static constexpr const char* PredictedValue = "predictedValue";
  static constexpr const char* Probability = "probability";
  static constexpr const char* Residual = "residual";
  static constexpr const char* Testing = "testing";
  static constexpr const char* Training = "training";
  static constexpr const char* Unknown = "unknown";
  static constexpr const char* Validation = "validation";
  static constexpr const char* Warning = "warning";
};

}  // namespace KxCppHelperV1
