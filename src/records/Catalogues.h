// The radar and product catalogues the selectors offer, built in or replaced
// by "Radars.txt" and "Products.txt" in AppDir, and the product forms.
#pragma once
#include <string>
#include <vector>

namespace ombrix {

inline constexpr const char* kProductsFileName = "Products.txt";
inline constexpr const char* kRadarsFileName = "Radars.txt";

// "CODE, Product name" entries, sorted.
const std::vector<std::string>& BuiltInProducts();
// The 150 radar entries: two composites ("!!" names) and 148 sites, sorted.
const std::vector<std::string>& BuiltInRadars();

// Replaces items with the lines of path when the file exists (blank lines
// dropped); returns whether it did.
bool LoadCatalogueFile(const std::string& path, std::vector<std::string>& items);

// Sorts as a sorted selector keeps its items: as text, ignoring case.
void SortItems(std::vector<std::string>& items);

// Catalogue form "N0Z, Long Range Reflectivity " to record form
// "Long Range Reflectivity, N0Z". A text without a comma is a bare code and
// becomes ", CODE", so the record still finds the code in its second field.
std::string ProductRecordForm(const std::string& catalogueText);

}  // namespace ombrix
