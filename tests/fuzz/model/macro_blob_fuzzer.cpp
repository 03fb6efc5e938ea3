// Macro memory images read from the keyboard. Besides crashes: once decoded,
// a list builds into a blob that decodes to itself (the first decode may
// normalise keys and names; a second round changes nothing).

#include <cstdint>
#include <span>
#include <vector>

#include "model/macro.h"
#include "tests/fuzz/scratch_folder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace ombrex;
  const std::vector<MacroRecord> first = DecodeMacroBlob({data, size}, u"Macro ");
  fuzz::Require(first.size() <= kMaxMacros);
  for (const MacroRecord& record : first) {
    fuzz::Require(record.count <= kMaxMacroActions);
    fuzz::Require(record.Name().size() <= kMaxMacroNameLength);
  }
  const std::vector<std::uint8_t> blob = BuildMacroBlob(first, true);
  if (blob.empty()) return 0;  // too large for a 16-bit blob: never sent
  const std::vector<MacroRecord> second = DecodeMacroBlob(blob, u"Macro ");
  fuzz::Require(second.size() == first.size());
  const std::vector<std::uint8_t> again = BuildMacroBlob(second, true);
  fuzz::Require(DecodeMacroBlob(again, u"Macro ") == second);
  return 0;
}
