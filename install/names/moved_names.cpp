#include "install/names/moved_names.h"

#include <cstdint>
#include <cstring>

#include "install/names/case_fold.h"

namespace {

// Each name is kept as its uppercase code units, each written in one to
// three bytes as UTF-8 writes them, after the offset of the next name of
// its bucket. 8 MiB holds 100 000 names of 80 bytes; the buckets stay few,
// so that memory grows with the names kept and little else.
constexpr size_t kPoolSize = 8u << 20;
constexpr size_t kBucketCount = 8192;
constexpr size_t kLinkSize = sizeof(std::uint32_t);
constexpr size_t kKeySize = 3 * MAX_PATH + 1;

char Pool[kPoolSize];
size_t PoolUsed;
// One more than the offset of a bucket's first name in Pool; 0 for none.
std::uint32_t Buckets[kBucketCount];

char Key[kKeySize];
size_t KeyLength;
size_t KeyBucket;

void AppendUnit(WCHAR unit) {
  if (unit < 0x80) {
    Key[KeyLength++] = static_cast<char>(unit);
  } else if (unit < 0x800) {
    Key[KeyLength++] = static_cast<char>(0xC0 | (unit >> 6));
    Key[KeyLength++] = static_cast<char>(0x80 | (unit & 0x3F));
  } else {
    Key[KeyLength++] = static_cast<char>(0xE0 | (unit >> 12));
    Key[KeyLength++] = static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
    Key[KeyLength++] = static_cast<char>(0x80 | (unit & 0x3F));
  }
}

// FNV-1a over the key's bytes.
size_t BucketOf(const char *key, size_t length) {
  std::uint32_t hash = 2166136261u;
  for (size_t i = 0; i < length; ++i)
    hash = (hash ^ static_cast<unsigned char>(key[i])) * 16777619u;
  return hash % kBucketCount;
}

std::uint32_t LinkAt(size_t offset) {
  std::uint32_t link;
  memcpy(&link, Pool + offset, kLinkSize);
  return link;
}

bool RoomForKey() { return PoolUsed + kLinkSize + KeyLength + 1 <= kPoolSize; }

}  // namespace

void ForgetMovedNames() {
  PoolUsed = 0;
  memset(Buckets, 0, sizeof Buckets);
}

NameMemory LookUpMovedName(const WCHAR *name) {
  KeyLength = 0;
  for (size_t i = 0; name[i] != 0 && i < MAX_PATH; ++i) AppendUnit(UpperCase(name[i]));
  Key[KeyLength] = '\0';
  KeyBucket = BucketOf(Key, KeyLength);
  for (std::uint32_t link = Buckets[KeyBucket]; link != 0; link = LinkAt(link - 1))
    if (strcmp(Pool + link - 1 + kLinkSize, Key) == 0) return kNameTaken;
  return RoomForKey() ? kNameNew : kNameNoRoom;
}

void RememberMovedName() {
  if (!RoomForKey()) return;
  memcpy(Pool + PoolUsed, &Buckets[KeyBucket], kLinkSize);
  memcpy(Pool + PoolUsed + kLinkSize, Key, KeyLength + 1);
  Buckets[KeyBucket] = static_cast<std::uint32_t>(PoolUsed + 1);
  PoolUsed += kLinkSize + KeyLength + 1;
}
