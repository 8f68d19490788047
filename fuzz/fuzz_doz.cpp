// Reads arbitrary bytes as a catalog file. Whatever was read, also before a failure, must
// be writable; a written catalog must read back, and after one round it must write back
// to the same bytes.
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <vector>

#include "catalog/CatalogFile.h"

namespace {

std::vector<uint8_t> Round(const std::vector<uint8_t>& bytes) {
  verid::Catalog c;
  const verid::CatalogReadResult r = verid::ReadCatalog(bytes.data(), bytes.size(), c);
  if (!r.Ok || r.Used != bytes.size()) std::abort();
  return verid::WriteCatalog(c);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  verid::Catalog catalog;
  const verid::CatalogReadResult r = verid::ReadCatalog(data, size, catalog);
  if (r.Used > size) std::abort();
  const std::vector<uint8_t> first = verid::WriteCatalog(catalog);
  const std::vector<uint8_t> second = Round(first);
  if (Round(second) != second) std::abort();
  return 0;
}
