// `verid-tool catalog` and `catalog-list`: catalogs made and checked from scripts, through
// the same building and file code the catalog window uses.
#pragma once

#include <string>
#include <vector>

namespace verid::tool {

// Builds a catalog of the folder's pictures at `size` and saves it; returns the entries.
int MakeCatalog(const std::string& folder, const std::string& out, int size, int workers);
// The listing printed by catalog-list; throws when the file is no catalog.
std::string ListCatalog(const std::string& path);

}  // namespace verid::tool
