// The insert formatter: a catalogue text is a printf format, and the values of its
// conversions come from four typed slots. Each conversion is handed to snprintf on
// its own with a value of the C type it names, so the output is what sprintf gives
// when the argument types match the format.
//
// Where a slot's kind does not match its conversion, the value is converted rather
// than reinterpreted: numbers convert between integer and floating kinds; a string
// under a numeric conversion counts as 0; under %s a number shows in decimal (%g for
// a double) and an empty slot (no argument) shows as "(null)", so the filler is
// never read as a pointer. "%n" takes a slot but writes nothing; wide "%lc"/"%ls"
// are shown as their narrow forms, the values being narrow characters and strings.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "private/msg_internal.h"

namespace {

const MSG__slot_t kFiller = {MSG_SLOT_FILLER, {MSG_FILLER_VALUE}};

// The output: a bounded buffer, always NUL-terminated, and the length the whole
// text would have.
class Sink {
 public:
  Sink(char *out, size_t size) : out_(out), size_(size) {
    if (size_ > 0) out_[0] = '\0';
  }

  void Put(const char *bytes, size_t count) {
    if (total_ < size_) {
      size_t room = size_ - total_ - 1;
      size_t keep = count < room ? count : room;
      memcpy(out_ + total_, bytes, keep);
      out_[total_ + keep] = '\0';
    }
    total_ += count;
  }

  template <typename... Args>
  void Print(const char *directive, Args... args) {
    char *at = total_ < size_ ? out_ + total_ : nullptr;
    size_t room = total_ < size_ ? size_ - total_ : 0;
    int n = snprintf(at, room, directive, args...);
    if (n > 0) total_ += static_cast<size_t>(n);
  }

  size_t total() const { return total_; }

 private:
  char *out_;
  size_t size_;
  size_t total_ = 0;
};

// One parsed conversion, rewritten for snprintf: positional parts removed, the
// length modifier replaced by the one the passed value needs.
struct Conversion {
  char directive[64];
  size_t directiveLength = 0;
  bool starWidth = false;
  bool starPrecision = false;
  int width = 0;
  int precision = 0;
  char modifier[3] = {};
  char kind = 0;
  bool overflow = false;

  void Add(char c) {
    if (directiveLength + 1 < sizeof directive) {
      directive[directiveLength++] = c;
      directive[directiveLength] = '\0';
    } else {
      overflow = true;
    }
  }
  void Add(const char *s) {
    while (*s) Add(*s++);
  }
};

class Formatter {
 public:
  Formatter(Sink &sink, const MSG__slot_t *slots) : sink_(sink), slots_(slots) {}

  void Run(const char *format) {
    const char *p = format;
    while (*p) {
      const char *percent = strchr(p, '%');
      if (!percent) {
        sink_.Put(p, strlen(p));
        return;
      }
      sink_.Put(p, static_cast<size_t>(percent - p));
      p = Convert(percent);
    }
  }

 private:
  // Reads "<digits>$" at p; the 1-based position or 0 (p unchanged).
  static int Position(const char *&p) {
    const char *q = p;
    int n = 0;
    while (*q >= '0' && *q <= '9' && n < 10000) n = n * 10 + (*q++ - '0');
    if (q != p && *q == '$' && n > 0) {
      p = q + 1;
      return n;
    }
    return 0;
  }

  const MSG__slot_t &Slot(int position) {
    int index = position > 0 ? position - 1 : next_++;
    return index < MSG_MAX_INSERTS ? slots_[index] : kFiller;
  }

  static long long AsInteger(const MSG__slot_t &slot) {
    switch (slot.kind) {
      case MSG_SLOT_INT:
      case MSG_SLOT_FILLER:
        return slot.value.i;
      case MSG_SLOT_LONG:
        return slot.value.l;
      case MSG_SLOT_DOUBLE: {
        double d = slot.value.d;
        if (std::isnan(d)) return 0;
        if (d >= 9.2e18) return INT64_MAX;
        if (d <= -9.2e18) return INT64_MIN;
        return static_cast<long long>(d);
      }
      case MSG_SLOT_PTR:
        return 0;
    }
    return 0;
  }

  static double AsDouble(const MSG__slot_t &slot) {
    switch (slot.kind) {
      case MSG_SLOT_INT:
      case MSG_SLOT_FILLER:
        return slot.value.i;
      case MSG_SLOT_LONG:
        return static_cast<double>(slot.value.l);
      case MSG_SLOT_DOUBLE:
        return slot.value.d;
      case MSG_SLOT_PTR:
        return 0.0;
    }
    return 0.0;
  }

  template <typename T>
  void Emit(const Conversion &c, T value) {
    if (c.starWidth && c.starPrecision) {
      sink_.Print(c.directive, c.width, c.precision, value);
    } else if (c.starWidth) {
      sink_.Print(c.directive, c.width, value);
    } else if (c.starPrecision) {
      sink_.Print(c.directive, c.precision, value);
    } else {
      sink_.Print(c.directive, value);
    }
  }

  void EmitSigned(Conversion &c, long long v) {
    const char *m = c.modifier;
    if (strcmp(m, "hh") == 0) {
      v = static_cast<signed char>(v);
    } else if (strcmp(m, "h") == 0) {
      v = static_cast<short>(v);
    } else if (*m == '\0') {
      v = static_cast<int>(v);
    } else if (strcmp(m, "l") == 0) {
      v = static_cast<long>(v);
    }
    c.Add("ll");
    c.Add(c.kind);
    Emit(c, v);
  }

  void EmitUnsigned(Conversion &c, long long v) {
    const char *m = c.modifier;
    auto u = static_cast<unsigned long long>(v);
    if (strcmp(m, "hh") == 0) {
      u = static_cast<unsigned char>(u);
    } else if (strcmp(m, "h") == 0) {
      u = static_cast<unsigned short>(u);
    } else if (*m == '\0') {
      u = static_cast<unsigned int>(u);
    } else if (strcmp(m, "l") == 0) {
      u = static_cast<unsigned long>(u);
    }
    c.Add("ll");
    c.Add(c.kind);
    Emit(c, u);
  }

  void EmitString(Conversion &c, const MSG__slot_t &slot) {
    char number[64];
    const char *s = number;
    switch (slot.kind) {
      case MSG_SLOT_PTR:
        s = slot.value.p ? slot.value.p : "(null)";
        break;
      case MSG_SLOT_FILLER:
        s = "(null)";
        break;
      case MSG_SLOT_INT:
        snprintf(number, sizeof number, "%d", slot.value.i);
        break;
      case MSG_SLOT_LONG:
        snprintf(number, sizeof number, "%ld", slot.value.l);
        break;
      case MSG_SLOT_DOUBLE:
        snprintf(number, sizeof number, "%g", slot.value.d);
        break;
    }
    c.Add('s');
    Emit(c, s);
  }

  // Handles the conversion starting at the '%' at p; returns where the text goes on.
  const char *Convert(const char *p) {
    const char *start = p++;
    if (*p == '%') {
      sink_.Put("%", 1);
      return p + 1;
    }
    Conversion c;
    c.Add('%');
    int position = Position(p);
    while (*p && strchr("-+ #0'I", *p)) c.Add(*p++);
    if (*p == '*') {
      ++p;
      int at = Position(p);
      c.starWidth = true;
      c.width = static_cast<int>(AsInteger(Slot(at)));
      c.Add('*');
    } else {
      while (*p >= '0' && *p <= '9') c.Add(*p++);
    }
    if (*p == '.') {
      c.Add(*p++);
      if (*p == '*') {
        ++p;
        int at = Position(p);
        c.starPrecision = true;
        c.precision = static_cast<int>(AsInteger(Slot(at)));
        c.Add('*');
      } else {
        while (*p >= '0' && *p <= '9') c.Add(*p++);
      }
    }
    size_t m = 0;
    while (*p && strchr("hlLqjzZt", *p) && m < 2) c.modifier[m++] = *p++;
    c.kind = *p;

    if (c.kind == '\0' || c.overflow) {
      // Incomplete or absurd: shown as written.
      const char *end = c.kind == '\0' ? p : p + 1;
      sink_.Put(start, static_cast<size_t>(end - start));
      return end;
    }
    ++p;
    switch (c.kind) {
      case 'd':
      case 'i':
        EmitSigned(c, AsInteger(Slot(position)));
        break;
      case 'o':
      case 'u':
      case 'x':
      case 'X':
        EmitUnsigned(c, AsInteger(Slot(position)));
        break;
      case 'e':
      case 'E':
      case 'f':
      case 'F':
      case 'g':
      case 'G':
      case 'a':
      case 'A':
        if (strcmp(c.modifier, "L") == 0) {
          c.Add('L');
          c.Add(c.kind);
          Emit(c, static_cast<long double>(AsDouble(Slot(position))));
        } else {
          c.Add(c.kind);
          Emit(c, AsDouble(Slot(position)));
        }
        break;
      case 'c':
      case 'C':
        c.Add('c');
        Emit(c, static_cast<int>(AsInteger(Slot(position))));
        break;
      case 's':
      case 'S':
        EmitString(c, Slot(position));
        break;
      case 'p': {
        const MSG__slot_t &slot = Slot(position);
        const void *v =
            slot.kind == MSG_SLOT_PTR
                ? static_cast<const void *>(slot.value.p)
                : reinterpret_cast<const void *>(static_cast<uintptr_t>(AsInteger(slot)));
        c.Add('p');
        Emit(c, v);
        break;
      }
      case 'n':
        Slot(position);
        break;  // never written through
      case 'm':
        c.Add('m');
        Emit(c, 0);
        break;
      default:
        // Not a conversion: shown as written.
        sink_.Put(start, static_cast<size_t>(p - start));
        break;
    }
    return p;
  }

  Sink &sink_;
  const MSG__slot_t *slots_;
  int next_ = 0;
};

}  // namespace

extern "C" size_t MSG__DoFormat(char *out, size_t size, const char *format,
                                const MSG__slot_t slots[MSG_MAX_INSERTS]) {
  Sink sink(out, size);
  Formatter(sink, slots).Run(format);
  return sink.total();
}
