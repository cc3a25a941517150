#pragma once

// Data-model documents of a chosen size, shared by the benchmarks.

#include <string>

namespace VnKxBench {

// `fields` fields: half continuous (range and statistics), half nominal with 20 labelled values.
inline std::string WideDataModel(int fields) {
  std::string text =
      "<DataModel><RecordCounts unweightedCount='1000' weightedCount='1000'"
      " droppedCount='0'/><Fields>";
  text.reserve(static_cast<size_t>(fields) * 900);
  for (int i = 0; i < fields; ++i) {
    const std::string n = std::to_string(i);
    if (i % 2 == 0) {
      text += "<Field name='measure_" + n +
              "' storage='real' measure='continuous' role='input'"
              " displayLabel='Measurement " +
              n +
              "'><Range minValue='-1000' maxValue='1000'/>"
              "<ContinuousStatistics sumCompWts='1000' sumFreqWts='1000' minimum='-999.5'"
              " maximum='998.25' mean='1.5' variance='2.25'/></Field>";
    } else {
      text += "<Field name='category_" + n +
              "' storage='string' measure='nominal' role='input'>"
              "<Values>";
      for (int v = 0; v < 20; ++v) {
        const std::string value = std::to_string(v);
        text += "<Value value='level_" + value + "' displayLabel='Level " + value + "'/>";
      }
      text += "</Values></Field>";
    }
  }
  return text + "</Fields></DataModel>";
}

// One integer field with `categories` labelled values and counts, and a string base field whose
// value labels name every category.
inline std::string BaseFieldDataModel(int categories) {
  std::string values;
  std::string counts;
  std::string baseValues;
  for (int i = 0; i < categories; ++i) {
    const std::string n = std::to_string(i);
    values += "<Value value='" + n + "' displayLabel='code " + n + "'/>";
    counts += "<Category category='" + n + "' sumFreqWts='" + std::to_string(i % 97 + 1) + "'/>";
    baseValues += "<Value value='code " + n + "' displayLabel='Category " + n + "'/>";
  }
  return "<DataModel><Fields><Field name='code' storage='integer' measure='nominal' role='input'>"
         "<Values>" +
         values + "</Values><DiscreteStatistics>" + counts +
         "</DiscreteStatistics><BaseField><Field name='category' storage='string'"
         " measure='nominal' role='input'><ValueLabels><Values>" +
         baseValues + "</Values></ValueLabels></Field></BaseField></Field></Fields></DataModel>";
}

}  // namespace VnKxBench
