// The real address lists the geocoding benchmark runs over, made from the
// publishers' files of a sources folder (laid out as kurovia build takes it).
#ifndef KUROVIA_BENCH_ADDRESS_LISTS_H
#define KUROVIA_BENCH_ADDRESS_LISTS_H

#include <filesystem>
#include <string>
#include <vector>

namespace krv::bench {

struct AddressList {
  std::string name;
  std::vector<std::string> sjis;  // the addresses, Shift-JIS
  std::vector<std::string> utf8;  // the same addresses, UTF-8
  long skipped = 0;               // rows without a Shift-JIS form
};

// Every Bunkyo residence as 東京都文京区<town><chome><block>番<residence>号
// (abolished rows left out), from abr/rsdt/.  Empty without residence data.
AddressList BunkyoResidences(const std::filesystem::path& sources);

// Every town of the postal list as prefecture + municipality + town (the
// part before a parenthesis; lines naming no town left out), from
// postal/KEN_ALL.CSV.  `nonAddresses` receives, per town, its half-width
// reading and its bare name: texts that start with no area name.
AddressList PostalTowns(const std::filesystem::path& sources, AddressList* nonAddresses);

// The list with a building name appended to every address.
AddressList WithBuildingName(const AddressList& list);

// A file of the sources, plain or xz-compressed; empty when neither exists.
std::filesystem::path SourceFile(const std::filesystem::path& path);

}  // namespace krv::bench

#endif  // KUROVIA_BENCH_ADDRESS_LISTS_H
