// The peer's data-model glue: fetching each input's data model and keeping one parser per input.

#include <memory>
#include <thread>

#include "datamodel/DataModelParser.h"
#include "external/hosthelper/XMLException.h"
#include "external/hosthelper/XMLNames.h"
#include "external/hosthelper/detail/TextProtocol.h"
#include "peer/VnPeer.h"

namespace VnKx_1_2 {

using KxCppHelperV1::BufferHelper;
using KxCppHelperV1::XMLAttributes;
using KxCppHelperV1::XMLDocument;
using KxCppHelperV1::XMLElement;
using KxCppHelperV1::XMLElements;

unsigned int VnPeer::ParseDataModel(int* error, bool defaultRange, int inputCount) {
  for (int input = 0; input < inputCount; ++input) {
    XMLDocument document;
    BufferHelper text(KxCppHelperV1::kInitialTextBufferSize);
    const unsigned int fetched = RequestText(HostText::kDataModel, input, text, error);
    if (fetched != StatusOk) return fetched;
    bool wellFormed = true;
    try {
      document = KxCppHelperV1::HostHelper::createFromBuffer(text);
    } catch (const KxCppHelperV1::XMLException&) {
      wellFormed = false;
    }
    if (WasCancelled()) {
      *error = MsgCancelled;
      return StatusCancelled;
    }
    if (!wellFormed) return StatusParseFailed;

    auto parser = std::make_unique<DataModelParser>();
    if (input == 0) {
      currentParser.store(parser.get());
      // A cancel that read the old parser may still be forwarding to it.
      while (cancelsInFlight_.load() != 0) std::this_thread::yield();
      DestroyParsers();
      // A cancel that came between the test above and the store must still reach the parse.
      if (WasCancelled()) parser->Cancel();
    }
    parsers.push_back(parser.get());
    DataModelParser* current = parser.release();
    const unsigned int status = current->ParseDataModel(document, error, defaultRange);
    document.dispose();
    if (status != StatusOk) return status;
  }
  return StatusOk;
}

void VnPeer::TestParseFieldFormats(XMLDocument& document) {
  if (!document.isValid()) return;
  XMLElement formats = document.addElement(XMLElements::FieldFormats);
  formats.addAttribute(XMLAttributes::Count, std::int64_t{4});
  formats.addAttribute(XMLAttributes::DefaultNumberFormat, "DefaultNumberFormat");
  formats.addAttribute(XMLAttributes::DefaultDateFormat, "DefaultDateFormat");
  formats.addAttribute(XMLAttributes::DefaultTimeFormat, "DefaultTimeFormat");
  formats.addAttribute(XMLAttributes::DefaultStringFormat, "DefaultStringFormat");

  XMLElement number = formats.addElement(XMLElements::NumberFormat);
  number.addAttribute(XMLAttributes::Name, "NF1");
  number.addAttribute(XMLAttributes::FormatType, "realBin");
  number.addAttribute(XMLAttributes::Width, "3");
  number.addAttribute(XMLAttributes::DecimalPlaces, "1");
  number.addAttribute(XMLAttributes::DecimalSymbol, "period");
  number.addAttribute(XMLAttributes::GroupingSymbol, "local");

  XMLElement date = formats.addElement(XMLElements::DateFormat);
  date.addAttribute(XMLAttributes::Name, "DateFormat");
  date.addAttribute(XMLAttributes::FormatType, "FormatType");
  XMLElement time = date.addElement(XMLElements::TimeFormat);
  time.addAttribute(XMLAttributes::Name, "TimeFormat");
  time.addAttribute(XMLAttributes::FormatType, "FormatType");
}

}  // namespace VnKx_1_2
