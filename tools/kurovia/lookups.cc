#include "lookups.h"

#include <optional>
#include <string_view>

#include "code_text.h"

namespace krv::cli {
namespace {

constexpr int kTextBytes = 1024;
constexpr int32_t kFirstNamedTown = 2;  // town 1 is the area's own record

struct AddressText {
  char name[kTextBytes];
  char reading[kTextBytes];
};

// Describe's failure for an area code whose level is not the area's kind.
constexpr int kWrongAreaLevel = -100;

// What krvAdrCode2Str's failure codes mean.
const char* Code2StrFailure(int result) {
  switch (result) {
    case kWrongAreaLevel:
      return "no area of that level has that code";
    case -1:
      return "no such area";
    case -2:
      return "no such town";
    case -3:
      return "no such section";
    case -4:
      return "no such block";
    case -5:
      return "no such residence";
    case -6:
      return "the address cannot be written in the chosen encoding";
    default:
      break;
  }
  return "the address cannot be written";
}

// What the enumeration functions' failure codes mean.
const char* EnumerationFailure(int result) {
  switch (result) {
    case -1:
      return "a field of the code is out of range";
    case -2:
      return "the level cannot have children";
    case -3:
      return "the DB holds no records of the level below";
    case -4:
      return "the area code is out of range";
    case -5:
      return "no such node in the DB";
    default:
      break;
  }
  return "the children cannot be listed";
}

std::optional<GyoseiRecord> Area(int32_t code) {
  GyoseiRecord record;
  if (GyoseiRecGet(code, &record) != 0) return std::nullopt;
  return record;
}

// The nearest area above `record` that has a record of its own: county or
// designated city, subprefecture, prefecture.  (Tokyo's special wards name
// 13100 as their city, which has no record: they hang under Tokyo.)
int32_t ParentArea(int32_t code, const GyoseiRecord& record) {
  const auto isArea = [&](int32_t parent, int32_t kind) {
    if (parent == 0 || parent == code) return false;
    const auto area = Area(parent);
    return area && area->kind == kind;
  };
  if (record.kind >= 4 && isArea(record.countyCode, 3)) return record.countyCode;
  if (record.kind >= 3 && isArea(record.subprefCode, 2)) return record.subprefCode;
  return record.kind >= 2 ? record.prefNo * 1000 : 0;
}

bool ListAreaChildren(const AdrCode& parent, std::vector<AdrCode>* children, std::string* why) {
  const auto self = Area(parent.gyoseiCode);
  if (!self) {
    *why = "no such area";
    return false;
  }
  const int32_t first = self->prefNo * 1000;
  for (int32_t code = first; code < first + 1000; ++code) {
    const auto area = Area(code);
    if (!area || code == parent.gyoseiCode || area->kind < 2 || area->kind > 4) continue;
    if (ParentArea(code, *area) == parent.gyoseiCode) children->push_back(AdrCode{area->kind, code, 0, 0, 0, 0});
  }
  return true;
}

// Children listed by the enumeration functions: `query` names the level of
// the children and their parent.
bool ListRecords(const AdrCode& query, std::vector<int32_t>* ids, std::string* why) {
  const int count = krvGetNumAdrRecords(&query);
  if (count < 0) {
    *why = EnumerationFailure(count);
    return false;
  }
  ids->assign(static_cast<std::size_t>(count), 0);
  if (count == 0) return true;
  const int listed = krvGetAdrRecordList(&query, ids->data(), count);
  if (listed < 0) {
    *why = EnumerationFailure(listed);
    return false;
  }
  ids->resize(static_cast<std::size_t>(listed));
  return true;
}

// The child's own part: its address after the parent's address.
std::string_view OwnName(std::string_view child, std::string_view parent) {
  if (child.size() > parent.size() && child.substr(0, parent.size()) == parent) return child.substr(parent.size());
  return child;
}

// Writes the address and the point of `code`; false (nothing written) when
// the code names nothing in the DB.
bool Describe(const AdrCode& code, AddressText* text, std::optional<double>* latitude,
              std::optional<double>* longitude, int* failure) {
  // An area code names an area of one kind; its level must say that kind
  // (4:13000 would otherwise be written as the prefecture it is).
  if (code.level <= KRV_LEVEL_MUNICIPALITY) {
    const auto area = Area(code.gyoseiCode);
    if (!area || area->kind != code.level) {
      *failure = kWrongAreaLevel;
      return false;
    }
  }
  const int result = krvAdrCode2Str(&code, text->name, kTextBytes, text->reading, kTextBytes);
  if (result < 0) {
    *failure = result;
    return false;
  }
  double x = 0, y = 0;
  latitude->reset();
  longitude->reset();
  if (krvAdrCode2Point(&code, &x, &y) == 0 && (x != 0 || y != 0)) {
    *latitude = x;
    *longitude = y;
  }
  return true;
}

}  // namespace

bool ListChildren(const AdrCode& parent, std::vector<AdrCode>* children, std::string* why) {
  children->clear();
  std::vector<int32_t> ids;
  switch (parent.level) {
    case KRV_LEVEL_PREFECTURE:
    case KRV_LEVEL_SUBPREF:
    case KRV_LEVEL_COUNTY:
      return ListAreaChildren(parent, children, why);
    case KRV_LEVEL_MUNICIPALITY:
      if (!ListRecords(AdrCode{KRV_LEVEL_TOWN, parent.gyoseiCode, 0, 0, 0, 0}, &ids, why)) return false;
      for (const int32_t town : ids) {
        if (town >= kFirstNamedTown) children->push_back(AdrCode{KRV_LEVEL_TOWN, parent.gyoseiCode, town, 0, 0, 0});
      }
      return true;
    case KRV_LEVEL_TOWN: {
      // A town has sections, blocks directly under it, or both.
      const AdrCode sections{KRV_LEVEL_SECTION, parent.gyoseiCode, parent.choCode, 0, 0, 0};
      if (!ListRecords(sections, &ids, why)) return false;
      for (const int32_t aza : ids) {
        children->push_back(AdrCode{KRV_LEVEL_SECTION, parent.gyoseiCode, parent.choCode, aza, 0, 0});
      }
      const AdrCode blocks{KRV_LEVEL_BLOCK, parent.gyoseiCode, parent.choCode, 0, 0, 0};
      if (krvGetNumAdrRecords(&blocks) > 0 && ListRecords(blocks, &ids, why)) {
        for (const int32_t key : ids) {
          children->push_back(AdrCode{KRV_LEVEL_BLOCK, parent.gyoseiCode, parent.choCode, 0, key, 0});
        }
      }
      return true;
    }
    case KRV_LEVEL_SECTION:
      if (!ListRecords(AdrCode{KRV_LEVEL_BLOCK, parent.gyoseiCode, parent.choCode, parent.azaCode, 0, 0}, &ids, why)) {
        return false;
      }
      for (const int32_t key : ids) {
        children->push_back(AdrCode{KRV_LEVEL_BLOCK, parent.gyoseiCode, parent.choCode, parent.azaCode, key, 0});
      }
      return true;
    case KRV_LEVEL_BLOCK: {
      const AdrCode residences{KRV_LEVEL_RESIDENCE, parent.gyoseiCode, parent.choCode, parent.azaCode,
                               parent.gaikuCode, 0};
      if (!ListRecords(residences, &ids, why)) return false;
      for (const int32_t key : ids) {
        children->push_back(AdrCode{KRV_LEVEL_RESIDENCE, parent.gyoseiCode, parent.choCode, parent.azaCode,
                                    parent.gaikuCode, key});
      }
      return true;
    }
    default:
      break;
  }
  return true;  // a residence has no children
}

int RunReverse(const std::vector<AdrCode>& codes, const OutputOptions& options, std::ostream& out,
               std::ostream& err) {
  TableWriter writer(out, options.format, options.encoding,
                     {"code", "level", "address", "reading", "latitude", "longitude"});
  if (options.header) writer.WriteHeader();
  int status = 0;
  AddressText text;
  for (const AdrCode& code : codes) {
    std::optional<double> latitude, longitude;
    int failure = 0;
    if (!Describe(code, &text, &latitude, &longitude, &failure)) {
      writer.Flush();
      err << "kurovia: no address for code " << FormatCode(code).view() << ": " << Code2StrFailure(failure) << '\n';
      status = 1;
      continue;
    }
    writer.Text(FormatCode(code).view());
    writer.Integer(code.level);
    writer.Text(text.name);
    writer.Text(text.reading);
    writer.Degrees(latitude);
    writer.Degrees(longitude);
    writer.EndRow();
  }
  if (!writer.Flush()) return 1;
  return status;
}

int RunPostal(const std::vector<int>& postalCodes, const OutputOptions& options, std::ostream& out,
              std::ostream& err) {
  TableWriter writer(out, options.format, options.encoding,
                     {"postal", "code", "level", "gyosei", "cho", "address", "reading", "latitude", "longitude"});
  if (options.header) writer.WriteHeader();
  int status = 0;
  AddressText text;
  for (const int postalCode : postalCodes) {
    AdrCode code{};
    if (krvPost2AdrCode(postalCode, &code) != 0) {
      writer.Flush();
      err << "kurovia: postal code " << FormatPostalCode(postalCode) << " is not in the DB\n";
      status = 1;
      continue;
    }
    // The index gives the town with the level of its municipality; the town
    // itself is level 5 (town 1 is the municipality's own record).
    if (code.choCode >= kFirstNamedTown) code.level = KRV_LEVEL_TOWN;
    std::optional<double> latitude, longitude;
    int failure = 0;
    if (!Describe(code, &text, &latitude, &longitude, &failure)) {
      writer.Flush();
      err << "kurovia: postal code " << FormatPostalCode(postalCode) << " names code " << FormatCode(code).view()
          << ", which is not in the DB: " << Code2StrFailure(failure) << '\n';
      status = 1;
      continue;
    }
    writer.Text(FormatPostalCode(postalCode));
    writer.Text(FormatCode(code).view());
    writer.Integer(code.level);
    writer.Integer(code.gyoseiCode);
    writer.Integer(code.choCode);
    writer.Text(text.name);
    writer.Text(text.reading);
    writer.Degrees(latitude);
    writer.Degrees(longitude);
    writer.EndRow();
  }
  if (!writer.Flush()) return 1;
  return status;
}

int RunChildren(const AdrCode& parent, const OutputOptions& options, std::ostream& out, std::ostream& err) {
  AddressText parentText;
  std::optional<double> latitude, longitude;
  int failure = 0;
  if (!Describe(parent, &parentText, &latitude, &longitude, &failure)) {
    err << "kurovia: no address for code " << FormatCode(parent).view() << ": " << Code2StrFailure(failure) << '\n';
    return 1;
  }
  const std::string parentName = parentText.name;
  std::vector<AdrCode> children;
  std::string why;
  if (!ListChildren(parent, &children, &why)) {
    err << "kurovia: cannot list the children of " << FormatCode(parent).view() << ": " << why << '\n';
    return 1;
  }
  TableWriter writer(out, options.format, options.encoding,
                     {"code", "level", "name", "address", "reading", "latitude", "longitude"});
  if (options.header) writer.WriteHeader();
  AddressText text;
  int status = 0;
  for (const AdrCode& child : children) {
    if (!Describe(child, &text, &latitude, &longitude, &failure)) {
      writer.Flush();
      err << "kurovia: child " << FormatCode(child).view() << " cannot be read: " << Code2StrFailure(failure) << '\n';
      status = 1;
      continue;
    }
    writer.Text(FormatCode(child).view());
    writer.Integer(child.level);
    writer.Text(OwnName(text.name, parentName));
    writer.Text(text.name);
    writer.Text(text.reading);
    writer.Degrees(latitude);
    writer.Degrees(longitude);
    writer.EndRow();
  }
  if (!writer.Flush()) return 1;
  return status;
}

}  // namespace krv::cli
