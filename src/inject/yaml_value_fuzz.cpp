// Loads any byte sequence as a SIDECAR text: it must load or fail with one message, never
// crash, overflow the stack or use unbounded memory; what loads is described as the type
// errors would.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "inject/yaml_value.hpp"

namespace {

// Describes every value of the tree, iteratively (the tree is at most 128 deep).
void describe_all(const lorvane::inject::YamlValue& root) {
  using namespace lorvane::inject;
  std::vector<const YamlValue*> stack{&root};
  while (!stack.empty()) {
    const YamlValue& value = yaml_value_untag(*stack.back());
    stack.pop_back();
    (void)describe_yaml_value(value);
    if (const auto* seq = value.get_if<YamlSequence>()) {
      for (const YamlValue& element : *seq) stack.push_back(&element);
    } else if (const auto* map = value.get_if<YamlMapping>()) {
      for (const YamlEntry& entry : *map) {
        stack.push_back(&entry.key);
        stack.push_back(&entry.value);
      }
    }
  }
  (void)yaml_value_get(root, "injections");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  auto loaded = lorvane::inject::yaml_from_str_value(text);
  if (loaded.ok()) {
    describe_all(*loaded);
    (void)lorvane::inject::yaml_keys_equal(*loaded, *loaded);
  } else if (loaded.error().message().empty()) {
    __builtin_trap();  // every failure has a message
  }
  return 0;
}
