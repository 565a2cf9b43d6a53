// Internals of the message-catalogue facility: catalogue naming, the descriptor
// cache, the facility name table, text fetching and the insert formatter. None of
// these names is exported from the shared library.
#ifndef KQ_INFRA_MSG_INC_PRIVATE_MSG_INTERNAL_H
#define KQ_INFRA_MSG_INC_PRIVATE_MSG_INTERNAL_H

#include <nl_types.h>

#include <cstddef>
#include <cstdint>

#include "infra/msg.h"
#include "infra/thr.h"
#include "private/msg_text.h"

// Longest catalogue file name the naming rules produce ("kqsvclog.cat", or an
// eight-character application name with ".cat"), with its NUL.
#define MSG_CATALOGUE_NAME_MAX 16
// Locale names longer than this are used but their catalogues are not cached.
#define MSG_LOCALE_NAME_MAX 128
// Symbolic facility names are kept up to this size (NUL included).
#define MSG_FACILITY_NAME_MAX 64
#define MSG_APP_NAME_MAX 9
#define MSG_CACHE_SLOTS 10
#define MSG_MAX_INSERTS 4
// The value of an insert slot that no argument fills.
#define MSG_FILLER_VALUE 32

namespace kq::msg {

// The three process-wide locks, created once by MSG__InitMutex. Lock order when more
// than one is held: localeLock, then tableLock, then cacheLock.
extern THR_mutex_t localeLock;
extern THR_mutex_t cacheLock;
extern THR_mutex_t tableLock;

class Locked {
 public:
  explicit Locked(THR_mutex_t &mutex) : mutex_(mutex) { THR_LockMutex(&mutex_); }
  ~Locked() { THR_UnlockMutex(&mutex_); }
  Locked(const Locked &) = delete;
  Locked &operator=(const Locked &) = delete;

 private:
  THR_mutex_t &mutex_;
};

// Keeps the worst status of an operation: the first failure wins, except that a
// truncation gives way to any later failure.
class Outcome {
 public:
  void Note(uint32_t code) {
    if (code == 0) return;
    if (code_ == 0 || (code_ == MSG_ST_TRUNCATED && code != MSG_ST_TRUNCATED)) code_ = code;
  }
  uint32_t code() const { return code_; }

 private:
  uint32_t code_ = 0;
};

}  // namespace kq::msg

// The kind of value an insert slot holds.
enum MSG__slotKind {
  MSG_SLOT_INT,     // a character or an int
  MSG_SLOT_LONG,    // an integer argument
  MSG_SLOT_DOUBLE,  // a double argument
  MSG_SLOT_PTR,     // a NUL-terminated string
  MSG_SLOT_FILLER,  // no argument: the int MSG_FILLER_VALUE
};

struct MSG__slot_t {
  MSG__slotKind kind;
  union {
    int i;
    long l;
    double d;
    const char *p;
  } value;
};

extern "C" {

// --- Catalogue naming (names.cc)

// Catalogue names of the shared facilities, indexed by facility number (without
// ".cat").
extern const char *const MSG__sharedMsgNames[256];

// Code 0 of source STF stands for "no status".
uint32_t MSG__TranslateCode(uint32_t source, uint32_t code);
// Facility class tests on a status code: 3 shared, 1 application-specific with
// repeated sets, 0 application-specific with numbered sets.
bool MSG__IsShared(uint32_t code);
bool MSG__IsAppSpecRep(uint32_t code);
bool MSG__IsAppSpecNonRep(uint32_t code);
// Catalogue file name of a code's facility; false when the code has none (class 2,
// a shared facility beyond the table, or an application facility without a name).
bool MSG__CatalogueName(uint32_t code, const char *appName, char *out, size_t size);
// Set number of the code's texts for source STF or MSG; 0 when there is none.
int MSG__SetNumber(uint32_t source, uint32_t code);
// "STF", "MSG", "ERRNO" or the source as four hex digits.
void MSG__SourceName(uint32_t source, char *out, size_t size);

// --- Facility state (state.cc)

void MSG__InitMutex(void);
// Creates the locks on first use (once per process).
void MSG__EnsureMutexes(void);
bool MSG__InUse(void);
// The application name in upper case, "" when none was set.
const char *MSG__AppName(void);

// --- Descriptor cache (cache.cc); the callers of Lookup and Insert hold cacheLock.

// The cached descriptor of (name, locale), refreshed as just used; (nl_catd)-1
// when it is not cached.
nl_catd MSG__Lookup(const char *name, const char *locale);
// Caches an open catalogue in a free slot or in place of the slot used longest ago,
// whose catalogue is closed. False when it cannot be cached (locale name too long);
// the caller then keeps ownership.
bool MSG__Insert(const char *name, const char *locale, nl_catd catd);
// Both close every cached catalogue and leave the cache empty.
void MSG__InitDescriptorCache(void);
void MSG__CleanUpDescriptorCache(void);
// Opens a catalogue along the search path; (nl_catd)-1 when none opens.
nl_catd MSG__OpenCatalogue(const char *name, const char *locale, const char *root);
// Copies message (set, number) of the named catalogue into `out`: 0,
// MSG_ST_NOT_FOUND or MSG_ST_NO_MEMORY. Takes cacheLock.
uint32_t MSG__ReadMessage(const char *name, const char *locale, int set, int number,
                          kq::msg::Text *out);

// --- Facility name table (facility.cc); the callers of TableLookup and TableInsert
// hold tableLock.

bool MSG__TableLookup(uint16_t facility, char *out, size_t size, bool *found);
void MSG__TableInsert(uint16_t facility, const char *name, bool found);
void MSG__InitMappingTable(void);
void MSG__TableCleanUp(void);
// The symbolic name of a code's facility (upper case), from the table or, the first
// time, from message 1 of the facility's STF set; its hex form with MSG_ST_NOT_FOUND
// when the catalogue has none. Takes tableLock.
uint32_t MSG__FacilityName(uint32_t code, const char *locale, char *out, size_t size);

// --- Texts (fetch.cc)

// The raw text of a code under the caller's locale: the catalogue text, strerror for
// source ERRNO, or the fallback line (then *fallback is set). With forceFallback the
// fallback line is produced whatever the source. Returns the first failure.
uint32_t MSG__FetchText(uint32_t source, uint32_t code, const char *localeName, bool forceFallback,
                        kq::msg::Text *text, bool *fallback);
// Copies a text into the caller's buffer, cut to bufSize - 1 characters; the length
// output is the full length + 1. MSG_ST_TRUNCATED when it was cut.
uint32_t MSG__CopyOut(const char *text, size_t length, uint32_t bufSize, uint32_t *lengthOut,
                      char *buffer);

// --- Inserts (format.cc)

// Formats `format` like snprintf into out[0..size), taking each conversion's value
// from the next of the four slots (or the slot a "%n$" names) and converting it to
// the type the conversion asks for. Returns the length of the whole text.
size_t MSG__DoFormat(char *out, size_t size, const char *format,
                     const MSG__slot_t slots[MSG_MAX_INSERTS]);

}  // extern "C"

#endif
