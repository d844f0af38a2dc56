#include "cli.h"

#include <map>
#include <optional>
#include <set>
#include <string_view>

#include "address_db.h"
#include "build.h"
#include "code_text.h"
#include "geocode.h"
#include "kurovia.h"
#include "lookups.h"

namespace krv::cli {
namespace {

constexpr const char* kUsage =
    R"(usage: kurovia COMMAND [OPTIONS] [ARGUMENTS]

Geocodes Japanese addresses with a kurovia address DB.

Commands:
  geocode [ADDRESS...]     address texts to codes, standard addresses and points;
                           without ADDRESS, one address a line from --input FILE
                           or the standard input
  reverse CODE...          address codes to standard addresses and points
  postal POSTAL_CODE...    postal codes (1000005, 100-0005, １００－０００５) to
                           their towns
  children CODE            the areas, towns, sections, blocks or residences
                           directly below a code
  build --sources DIR --db DIR
                           builds an address DB from the publishers' files

Options of geocode, reverse, postal and children:
  --db DIR                 the address DB (default: $KUROVIA_DB, else the
                           sample DB bundled with kurovia)
  --format tsv|csv|jsonl   output format (default tsv, with a header line)
  --encoding utf8|sjis|eucjp
                           encoding of the input and the output (default utf8)
  --no-header              no header line (tsv, csv)
Options of geocode:
  --input FILE             read the addresses from FILE ("-": standard input)
  --progress, --no-progress
                           progress on standard error (default: when it is a
                           terminal and the addresses come from a file or stdin)
Options of build:
  --sources DIR            a folder laid out like the publishers' data: postal/,
                           areas/, isj/town/*/, abr/town/, abr/rsdt/*/,
                           abr/parcel/*/ (any of them; files plain or .xz)
  --db DIR                 the DB folder to write (its build files are replaced)
  --work DIR               work folder (default: the DB folder + ".work"),
                           removed after a successful build
  --keep-work              keep the work folder
  --log FILE               the tools' output goes to FILE instead

A CODE is written LEVEL:AREA[:TOWN[:SECTION[:BLOCK[:RESIDENCE]]]], as geocode
prints it (8:13105:12:3:4:5; fields left out are 0), or as up to six separate
numbers (8 13105 12 3 4 5).  Levels: 1 prefecture, 2 subprefecture, 3 county
or designated city, 4 municipality, 5 town, 6 section (chome), 7 block or
lot, 8 residence.

Geocode columns: input, code, level, gyosei, cho, aza, gaiku, jukyo (the code
fields), address and reading (the standard address), latitude and longitude
(degrees), matched (characters of the address the code accounts for) and
rest (the unmatched rest, blanks removed).  A line that matches nothing, or
is not valid text in the encoding, gets level 0 and empty results.

Exit status: 0 success, 1 failure (a DB that does not load, a code or postal
code not in the DB, a failed build), 2 a bad command line.

  kurovia --help | --version
)";

struct Parsed {
  std::string command;
  std::map<std::string, std::string> values;
  std::set<std::string> flags;
  std::vector<std::string> positional;
};

bool IsIntegerWord(std::string_view word) {
  if (word.size() < 2 || word[0] != '-') return false;
  for (std::size_t i = 1; i < word.size(); ++i) {
    if (word[i] < '0' || word[i] > '9') return false;
  }
  return true;
}

// Splits the arguments of a command into options and positional words.
// False with a message for an option the command does not take or one
// without its value.
bool ParseOptions(const std::vector<std::string>& args, const std::set<std::string>& valueOptions,
                  const std::set<std::string>& flagOptions, Parsed* parsed, std::string* why) {
  bool optionsEnded = false;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || arg.size() < 2 || arg[0] != '-' || IsIntegerWord(arg)) {
      parsed->positional.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    std::string name = arg;
    std::optional<std::string> value;
    if (const std::size_t eq = arg.find('='); eq != std::string::npos) {
      name = arg.substr(0, eq);
      value = arg.substr(eq + 1);
    }
    if (valueOptions.count(name) != 0) {
      if (!value) {
        if (i + 1 >= args.size()) {
          *why = name + " needs a value";
          return false;
        }
        value = args[++i];
      }
      parsed->values[name] = *value;
    } else if (flagOptions.count(name) != 0 && !value) {
      parsed->flags.insert(name);
    } else {
      *why = "unknown option " + arg + " for " + parsed->command;
      return false;
    }
  }
  return true;
}

int UsageError(std::ostream& err, const std::string& why) {
  err << "kurovia: " << why << "\n\n" << kUsage;
  return kExitUsage;
}

// The output options shared by the lookup commands; false with a message.
bool ReadOutputOptions(const Parsed& parsed, OutputOptions* options, std::string* why) {
  if (const auto it = parsed.values.find("--format"); it != parsed.values.end()) {
    const auto format = ParseTableFormat(it->second);
    if (!format) {
      *why = "unknown format " + it->second + " (tsv, csv or jsonl)";
      return false;
    }
    options->format = *format;
  }
  if (const auto it = parsed.values.find("--encoding"); it != parsed.values.end()) {
    const auto encoding = ParseEncoding(it->second);
    if (!encoding) {
      *why = "unknown encoding " + it->second + " (utf8, sjis or eucjp)";
      return false;
    }
    options->encoding = *encoding;
  }
  options->header = parsed.flags.count("--no-header") == 0;
  return true;
}

std::string Value(const Parsed& parsed, const std::string& name) {
  const auto it = parsed.values.find(name);
  return it == parsed.values.end() ? std::string() : it->second;
}

// Loads the DB and selects the encoding; prints the failure and returns
// false when the DB does not load.
bool OpenDb(const Parsed& parsed, const Environment& env, Encoding encoding, std::ostream& err) {
  int level = 0;
  if (!LoadDb(ChooseDb(Value(parsed, "--db"), env.kuroviaDb, env.exeDir), err, &level)) return false;
  krvSetArgEncoding(LibraryEncodingName(encoding));
  return true;
}

// Unloads the DB on every way out of a command.
struct DbSession {
  ~DbSession() { krvDbEnd(); }
};

int Geocode(const Parsed& parsed, std::istream& in, std::ostream& out, std::ostream& err, const Environment& env) {
  OutputOptions output;
  std::string why;
  if (!ReadOutputOptions(parsed, &output, &why)) return UsageError(err, why);
  GeocodeOptions options;
  options.format = output.format;
  options.encoding = output.encoding;
  options.header = output.header;
  options.addresses = parsed.positional;
  options.inputFile = Value(parsed, "--input");
  if (!options.addresses.empty() && !options.inputFile.empty()) {
    return UsageError(err, "give addresses as arguments or with --input, not both");
  }
  if (parsed.flags.count("--progress") != 0 && parsed.flags.count("--no-progress") != 0) {
    return UsageError(err, "--progress and --no-progress contradict each other");
  }
  if (parsed.flags.count("--progress") != 0) options.progress = ProgressMode::kOn;
  if (parsed.flags.count("--no-progress") != 0) options.progress = ProgressMode::kOff;
  DbSession session;
  if (!OpenDb(parsed, env, options.encoding, err)) return kExitFailure;
  StreamInfo streams;
  streams.errIsTerminal = env.errIsTerminal;
  streams.inIsTerminal = env.inIsTerminal;
  streams.inputBytes = env.inputBytes;
  return RunGeocode(options, in, out, err, streams);
}

int Reverse(const Parsed& parsed, std::ostream& out, std::ostream& err, const Environment& env) {
  OutputOptions output;
  std::string why;
  if (!ReadOutputOptions(parsed, &output, &why)) return UsageError(err, why);
  if (parsed.positional.empty()) return UsageError(err, "reverse needs a CODE");
  std::vector<AdrCode> codes;
  bool colonForm = true;
  for (const auto& word : parsed.positional) colonForm = colonForm && word.find(':') != std::string::npos;
  if (colonForm) {
    for (const auto& word : parsed.positional) {
      const auto code = ParseCode({word});
      if (!code) return UsageError(err, "not an address code: " + word);
      codes.push_back(*code);
    }
  } else {
    const auto code = ParseCode(parsed.positional);
    if (!code) return UsageError(err, "not an address code: " + parsed.positional[0] + (parsed.positional.size() > 1 ? " ..." : ""));
    codes.push_back(*code);
  }
  DbSession session;
  if (!OpenDb(parsed, env, output.encoding, err)) return kExitFailure;
  return RunReverse(codes, output, out, err);
}

int Postal(const Parsed& parsed, std::ostream& out, std::ostream& err, const Environment& env) {
  OutputOptions output;
  std::string why;
  if (!ReadOutputOptions(parsed, &output, &why)) return UsageError(err, why);
  if (parsed.positional.empty()) return UsageError(err, "postal needs a POSTAL_CODE");
  std::vector<int> postalCodes;
  for (const auto& word : parsed.positional) {
    std::string sjis;
    const auto postalCode = ToSjis(output.encoding, word, &sjis) ? ParsePostalCodeSjis(sjis) : std::nullopt;
    if (!postalCode) return UsageError(err, "not a postal code (7 digits, e.g. 100-0005): " + word);
    postalCodes.push_back(*postalCode);
  }
  DbSession session;
  if (!OpenDb(parsed, env, output.encoding, err)) return kExitFailure;
  return RunPostal(postalCodes, output, out, err);
}

int Children(const Parsed& parsed, std::ostream& out, std::ostream& err, const Environment& env) {
  OutputOptions output;
  std::string why;
  if (!ReadOutputOptions(parsed, &output, &why)) return UsageError(err, why);
  if (parsed.positional.empty()) return UsageError(err, "children needs a CODE");
  const auto code = ParseCode(parsed.positional);
  if (!code) return UsageError(err, "not an address code: " + parsed.positional[0]);
  DbSession session;
  if (!OpenDb(parsed, env, output.encoding, err)) return kExitFailure;
  return RunChildren(*code, output, out, err);
}

int Build(const Parsed& parsed, std::ostream& out, std::ostream& err, const Environment& env) {
  if (!parsed.positional.empty()) return UsageError(err, "build takes no arguments besides its options");
  BuildOptions options;
  options.sources = Value(parsed, "--sources");
  options.db = Value(parsed, "--db");
  options.work = Value(parsed, "--work");
  options.log = Value(parsed, "--log");
  options.keepWork = parsed.flags.count("--keep-work") != 0;
  if (options.sources.empty() || options.db.empty()) return UsageError(err, "build needs --sources DIR and --db DIR");
  return RunBuild(options, env.exeDir, out, err);
}

}  // namespace

std::string Usage() { return kUsage; }

int RunKurovia(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err,
               const Environment& env) {
  if (args.empty()) return UsageError(err, "no command given");
  const std::string& command = args[0];
  if (command == "--help" || command == "-h" || command == "help") {
    out << kUsage;
    return kExitOk;
  }
  if (command == "--version") {
    out << "kurovia " << KUROVIA_VERSION << '\n';
    return kExitOk;
  }
  for (const auto& arg : args) {
    if (arg == "--help" || arg == "-h") {
      out << kUsage;
      return kExitOk;
    }
    if (arg == "--") break;
  }

  static const std::set<std::string> kLookupValues = {"--db", "--format", "--encoding"};
  static const std::set<std::string> kLookupFlags = {"--no-header"};
  Parsed parsed;
  parsed.command = command;
  std::string why;
  if (command == "geocode") {
    std::set<std::string> values = kLookupValues;
    values.insert("--input");
    if (!ParseOptions(args, values, {"--no-header", "--progress", "--no-progress"}, &parsed, &why)) {
      return UsageError(err, why);
    }
    return Geocode(parsed, in, out, err, env);
  }
  if (command == "reverse" || command == "postal" || command == "children") {
    if (!ParseOptions(args, kLookupValues, kLookupFlags, &parsed, &why)) return UsageError(err, why);
    if (command == "reverse") return Reverse(parsed, out, err, env);
    if (command == "postal") return Postal(parsed, out, err, env);
    return Children(parsed, out, err, env);
  }
  if (command == "build") {
    if (!ParseOptions(args, {"--sources", "--db", "--work", "--log"}, {"--keep-work"}, &parsed, &why)) {
      return UsageError(err, why);
    }
    return Build(parsed, out, err, env);
  }
  return UsageError(err, "unknown command " + command);
}

}  // namespace krv::cli
