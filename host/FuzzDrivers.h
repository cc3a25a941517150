#pragma once

// One driver per entry point that reads host text: each feeds the bytes through the library as
// a host would and checks what must hold whatever the input (statuses in range, round trips
// equal). A driver returns normally for every input; a broken rule aborts. The libFuzzer
// programs under fuzz/ call these, and the test suite replays every saved input through them.

#include <cstddef>
#include <cstdint>

namespace VnKxHost {

// Data model text -> the peer's ParseDataModel -> BuildVarlist -> one pass of each iterator.
void FuzzDataModel(const std::uint8_t* data, std::size_t size);
// Context document text -> GetContextInformation.
void FuzzContext(const std::uint8_t* data, std::size_t size);
// Parameter document text -> ScanParameters -> MakeModelSettings.
void FuzzParameters(const std::uint8_t* data, std::size_t size);
// Any text -> parse, walk every element and attribute, serialise, parse again, compare.
void FuzzXml(const std::uint8_t* data, std::size_t size);
// CSV text -> the reader, and the loader with its inference.
void FuzzCsv(const std::uint8_t* data, std::size_t size);

}  // namespace VnKxHost
