// Writes the place-name files krv_chimei25k.rec and krv_chimei25k.hsh.  The
// library only reads them; this writer lets them be built from any
// gazetteer.
#ifndef KUROVIA_FORMAT_CHIMEI25K_WRITER_H
#define KUROVIA_FORMAT_CHIMEI25K_WRITER_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "kurovia.h"

namespace krv::format {

// A bucket count for `names` names: the smallest prime of at least twice
// their number (and at least 3), so chains stay short.
uint32_t Chimei25kBucketCount(std::size_t names);

// Writes the record file: `records` become records 1, 2, ...; record 0
// stays empty.  False when the file cannot be written or the count does not
// fit the header.
bool SaveChimei25kRecords(const char* path, const std::vector<Chimei25kRecord>& records);

// Writes the hash file for the same `records`: entry i names record i, and
// each chain keeps the records' order.  `bucketCount` 0 chooses
// Chimei25kBucketCount.  False when the file cannot be written.
bool SaveChimei25kHash(const char* path, const std::vector<Chimei25kRecord>& records,
                       uint32_t bucketCount = 0);

// Writes both files, and replaces the old ones only when both are complete:
// a failure leaves the DB's earlier pair in place.
enum class Chimei25kSaveResult { kOk, kRecordsFailed, kHashFailed };
Chimei25kSaveResult SaveChimei25kFiles(const char* recordPath, const char* hashPath,
                                       const std::vector<Chimei25kRecord>& records, uint32_t bucketCount = 0);

}  // namespace krv::format

#endif  // KUROVIA_FORMAT_CHIMEI25K_WRITER_H
