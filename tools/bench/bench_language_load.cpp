// Start-up cost of the language data: parsing a built-in document into a table, against
// the least any reader must do with the same bytes (checking that they are UTF-8).
#include <benchmark/benchmark.h>

#include "core/unicode.h"
#include "i18n/builtin_documents.h"
#include "i18n/language_table.h"

namespace {

std::string_view english() {
  return *lumo::find_builtin_document(lumo::english_resource);
}

void reference_utf8_check(benchmark::State& state) {
  auto doc = english();
  for (auto _ : state) benchmark::DoNotOptimize(lumo::utf8_is_valid(doc));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * doc.size()));
}
BENCHMARK(reference_utf8_check);

void parse_english_document(benchmark::State& state) {
  auto doc = english();
  for (auto _ : state) benchmark::DoNotOptimize(lumo::parse_language_document(doc));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * doc.size()));
}
BENCHMARK(parse_english_document);

void lookup_text(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(lumo::get_text("properties_menu_capitalize"));
}
BENCHMARK(lookup_text);

}  // namespace

BENCHMARK_MAIN();
