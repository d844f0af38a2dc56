// kurovia reverse, postal and children: lookups by address code and postal
// code against the loaded DB.
#ifndef KUROVIA_TOOLS_KUROVIA_LOOKUPS_H
#define KUROVIA_TOOLS_KUROVIA_LOOKUPS_H

#include <ostream>
#include <string>
#include <vector>

#include "kurovia.h"
#include "table_writer.h"
#include "text_encoding.h"

namespace krv::cli {

struct OutputOptions {
  TableFormat format = TableFormat::kTsv;
  Encoding encoding = Encoding::kUtf8;
  bool header = true;
};

// Each writes one row per code (per postal code, per child) and returns the
// exit status: 0, or 1 when a code is not in the DB (the others are still
// written).  The DB must be loaded and the argument encoding set.
int RunReverse(const std::vector<AdrCode>& codes, const OutputOptions& options, std::ostream& out,
               std::ostream& err);
int RunPostal(const std::vector<int>& postalCodes, const OutputOptions& options, std::ostream& out,
              std::ostream& err);
int RunChildren(const AdrCode& parent, const OutputOptions& options, std::ostream& out, std::ostream& err);

// The children of a node: areas below a prefecture, subprefecture, county or
// designated city; towns of a municipality; sections of a town and the
// blocks directly under it; blocks of a section; residences of a block.
// False with a reason when they cannot be listed.
bool ListChildren(const AdrCode& parent, std::vector<AdrCode>* children, std::string* why);

}  // namespace krv::cli

#endif  // KUROVIA_TOOLS_KUROVIA_LOOKUPS_H
