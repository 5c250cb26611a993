// publiccode.yml, the entry of the program in the catalogues of public software: every key the
// standard requires is there, and the version and release date are the build's.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "core/version.h"
#include "temp_dir.h"

namespace nerovale {
namespace {

// The keys of a YAML file of mappings and lists as paths ("description/it/features"), each with its
// value as written on its line ("" for a mapping, a list or a folded text); list items count under
// their key as "key/-". Enough for a file written by hand with two-space indents.
std::map<std::string, std::string> KeyPaths(const std::string& yaml) {
  std::map<std::string, std::string> keys;
  std::vector<std::pair<std::size_t, std::string>> open;  // indent and key of each enclosing mapping
  std::istringstream lines(yaml);
  for (std::string line; std::getline(lines, line);) {
    const std::size_t indent = line.find_first_not_of(' ');
    if (indent == std::string::npos || line[indent] == '#') continue;
    std::string content = line.substr(indent);
    while (!open.empty() && open.back().first >= indent) open.pop_back();
    std::string prefix;
    for (const auto& [at, key] : open) prefix += key + "/";
    if (content.starts_with("- ")) {
      keys[prefix + "-"] += content.substr(2) + "\n";
      if (const auto colon = content.find(": "); colon != std::string::npos) {
        keys[prefix + "-/" + content.substr(2, colon - 2)] = content.substr(colon + 2);
      }
      continue;
    }
    const auto colon = content.find(':');
    if (colon == std::string::npos) continue;  // a line of a folded text
    std::string value = colon + 1 < content.size() ? content.substr(colon + 2) : "";
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
    keys[prefix + content.substr(0, colon)] = value;
    open.emplace_back(indent, content.substr(0, colon));
  }
  return keys;
}

TEST(PublicCode, HoldsTheRequiredKeysAndTheBuildsVersion) {
  const auto keys = KeyPaths(testing::ReadFile(std::filesystem::path(NEROVALE_SOURCE_DIR) / "publiccode.yml"));
  ASSERT_FALSE(keys.empty());
  for (const char* key : {"publiccodeYmlVersion", "name", "url", "softwareVersion", "releaseDate", "platforms/-",
                          "categories/-", "developmentStatus", "softwareType", "legal/license", "maintenance/type",
                          "maintenance/contacts/-/name", "localisation/localisationReady",
                          "localisation/availableLanguages/-", "dependsOn/open/-/name", "IT/countryExtensionVersion"}) {
    EXPECT_TRUE(keys.contains(key)) << key;
  }
  for (const char* language : {"it", "en"}) {
    for (const char* key : {"shortDescription", "longDescription", "features/-", "screenshots/-"}) {
      EXPECT_TRUE(keys.contains(std::string("description/") + language + "/" + key)) << language << " " << key;
    }
    // Every screenshot is a picture kept in the repository.
    std::istringstream shots(keys.at(std::string("description/") + language + "/screenshots/-"));
    for (std::string shot; std::getline(shots, shot);) {
      EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::path(NEROVALE_SOURCE_DIR) / shot)) << shot;
    }
  }
  EXPECT_EQ(keys.at("softwareVersion"), kVersion) << "publiccode.yml and CMakeLists.txt give other versions";
  EXPECT_EQ(keys.at("releaseDate"), kReleaseDate) << "publiccode.yml and CMakeLists.txt give other release dates";
  EXPECT_EQ(keys.at("legal/license"), "EUPL-1.2");
  EXPECT_EQ(keys.at("softwareType"), "standalone/desktop");
  EXPECT_EQ(keys.at("platforms/-"), "linux\n");
  EXPECT_TRUE(std::set<std::string>({"concept", "development", "beta", "stable", "obsolete"})
                  .contains(keys.at("developmentStatus")));
  EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::path(NEROVALE_SOURCE_DIR) / keys.at("logo")));
}

}  // namespace
}  // namespace nerovale
