#include "krvprep.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "area_list.h"
#include "block_list.h"
#include "postal_list.h"
#include "prep_context.h"
#include "report.h"
#include "section_list.h"
#include "text.h"
#include "town_names.h"
#include "variation.h"

namespace krv::prep {

namespace {

constexpr const char* kUsage =
    "usage: krvprep SOURCES_DIR OUT_DIR\n"
    "       krvprep --sources SOURCES_DIR --out OUT_DIR [--variation FILE]\n"
    "Turns the public source files of SOURCES_DIR (postal/, areas/, isj/town/*/, abr/town/,\n"
    "abr/rsdt/*/, abr/parcel/*/; plain or .xz) into the Shift-JIS sources of the build tools:\n"
    "OUT_DIR/db/krv_gyoseimei.csv, OUT_DIR/db/krv_variation.csv, OUT_DIR/postal/,\n"
    "OUT_DIR/aza/NN_YYYY.csv, OUT_DIR/gaiku/NN_YYYY.csv and OUT_DIR/jukyo/NN_gou.txt.\n"
    "--variation FILE takes the notation-variation list (UTF-8) from FILE instead of the\n"
    "list built into the tool.\n";

struct Options {
  std::filesystem::path sources;
  std::filesystem::path out;
  std::filesystem::path variation;
};

bool ParseArgs(const std::vector<std::string>& args, Options* options, std::ostream& err) {
  std::vector<std::string> positional;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const auto value = [&](std::filesystem::path* target) {
      if (i + 1 >= args.size()) return false;
      *target = args[++i];
      return true;
    };
    bool ok = true;
    if (a == "--sources") {
      ok = value(&options->sources);
    } else if (a == "--out") {
      ok = value(&options->out);
    } else if (a == "--variation") {
      ok = value(&options->variation);
    } else if (!a.empty() && a[0] == '-') {
      err << "krvprep: unknown option " << a << '\n';
      return false;
    } else {
      positional.push_back(a);
    }
    if (!ok) {
      err << "krvprep: " << a << " needs a value\n";
      return false;
    }
  }
  if (!positional.empty() && options->sources.empty()) {
    options->sources = positional[0];
    positional.erase(positional.begin());
  }
  if (!positional.empty() && options->out.empty()) {
    options->out = positional[0];
    positional.erase(positional.begin());
  }
  if (!positional.empty() || options->sources.empty() || options->out.empty()) return false;
  return true;
}

}  // namespace

int RunKrvprep(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  for (const auto& a : args) {
    if (a == "--help" || a == "-h") {
      out << kUsage;
      return 0;
    }
  }
  Options options;
  if (!ParseArgs(args, &options, err)) {
    err << kUsage;
    return 2;
  }
  std::error_code ec;
  if (!std::filesystem::is_directory(options.sources, ec)) {
    err << "krvprep: error: the sources folder " << options.sources.string() << " does not exist\n";
    return 1;
  }
  std::filesystem::create_directories(options.out, ec);
  if (!std::filesystem::is_directory(options.out, ec)) {
    err << "krvprep: error: cannot create the output folder " << options.out.string() << '\n';
    return 1;
  }

  Report report(out, err);
  SjisEncoder encoder;

  VariationList variations;
  bool variationsRead = true;
  if (options.variation.empty()) {
    variations.Load(VariationMasterText(), "data/krv_variation.csv", report);
  } else {
    std::ifstream in(options.variation, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    variationsRead = static_cast<bool>(in);
    if (!variationsRead) {
      report.Error("cannot read the variation list " + options.variation.string());
    } else {
      variations.Load(text.str(), options.variation, report);
    }
  }
  // A list that could not be read writes nothing: an empty list in the DB
  // folder would silently drop every variant from the name hashes.
  const auto variationFile = options.out / "db" / "krv_variation.csv";
  if (variationsRead && WriteOutputFile(variationFile, variations.FileText(), report)) {
    report.Note("variation list " + variationFile.string() + " written (" + std::to_string(variations.pairCount()) +
                " pairs)");
  }

  PostalTowns postal;
  PreparePostal(options.sources, options.out, report, &postal);

  AreaNames areas;
  PrepareAreaList(options.sources, options.out, postal, encoder, report, &areas);

  TownResolver towns(postal, variations, report);
  const PrepContext ctx{options.sources, options.out, report, encoder, areas, towns, variations};
  PrepareSections(ctx);
  PrepareBlocks(ctx);
  if (towns.respelled() > 0) {
    report.For("aza").notes["town names written as the postal list spells them (all outputs)"] = towns.respelled();
  }

  report.Summary(encoder.replacements());
  return report.failed() ? 1 : 0;
}

}  // namespace krv::prep
