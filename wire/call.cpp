// The layout of wire/call.h, written and read.
#include "wire/call.h"

#include <cstring>

namespace qel::wire {

namespace {

// The address the host names for an address the proxy never named: the
// library has placed no image there, so it answers as it does for any
// address it does not know.
const unsigned char kNeverNamed = 0;

bool IsBuffer(Kind kind) { return BufferBytes(kind) != 0; }

unsigned char *SlotAt(unsigned char *slots, std::uint32_t slot) {
  return slots + static_cast<std::size_t>(slot) * kImageBytes;
}

void Append(Bytes &out, const void *data, std::size_t size) {
  const auto *bytes = static_cast<const unsigned char *>(data);
  out.insert(out.end(), bytes, bytes + size);
}

void AppendWord(Bytes &out, std::uint32_t value) {
  unsigned char word[4];
  PutWord(word, value);
  Append(out, word, sizeof word);
}

// Reads a payload front to back; every read is checked against its end.
class Reader {
public:
  Reader(const unsigned char *data, std::size_t size)
      : data_(data), size_(size) {}
  bool Word(std::uint32_t &value) {
    if (size_ - at_ < 4) {
      return false;
    }
    value = GetWord(data_ + at_);
    at_ += 4;
    return true;
  }
  const unsigned char *Take(std::size_t size) {
    if (size_ - at_ < size) {
      return nullptr;
    }
    const unsigned char *taken = data_ + at_;
    at_ += size;
    return taken;
  }
  bool AtEnd() const { return at_ == size_; }

private:
  const unsigned char *data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

// Whether a parameter's image crosses in the reply (and the request).
bool CarriesImage(Kind kind, int slot, bool travelInline) {
  return travelInline && slot != kNoSlot &&
         (kind == Kind::Image || kind == Kind::Name);
}

} // namespace

bool WriteCall(const Entry &entry, std::uint32_t sequence, const Arg *args,
               const CallImages &images, Bytes &out) {
  out.assign(kHeaderBytes, 0);
  for (std::size_t i = 0; i < entry.count; ++i) {
    const Kind kind = entry.kinds[i];
    const Arg &arg = args[i];
    const int slot = images.slot[i];
    if (kind == Kind::Int) {
      AppendWord(out, static_cast<std::uint32_t>(arg.value));
    } else if (arg.pointer == nullptr) {
      AppendWord(out, kNullTag);
    } else if (IsBuffer(kind)) {
      AppendWord(out, kPresentTag);
      Append(out, arg.pointer, BufferBytes(kind));
    } else if (kind == Kind::Address) {
      AppendWord(out, slot == kNoSlot ? kNeverNamedTag
                                      : kSlotTag + static_cast<unsigned>(slot));
    } else if (slot != kNoSlot) { // an image, or a name that is a descriptor
      AppendWord(out, kSlotTag + static_cast<unsigned>(slot));
      if (images.travelInline) {
        Append(out, images.caller[slot], kImageBytes);
      }
    } else { // a text
      const auto *text = static_cast<const char *>(arg.pointer);
      const std::size_t length = strnlen(text, kMaxText + 1);
      if (length > kMaxText) {
        return false;
      }
      AppendWord(out, static_cast<std::uint32_t>(length) + 1);
      Append(out, text, length);
    }
  }
  const std::size_t payload = out.size() - kHeaderBytes;
  PutHeader(out.data(), {kCall, static_cast<std::uint32_t>(entry.ordinal),
                         sequence, static_cast<std::uint32_t>(payload)});
  return true;
}

bool ReadReply(const Entry &entry, const Arg *args, const CallImages &images,
               const unsigned char *payload, std::size_t length,
               Answer &answer) {
  Reader reader(payload, length);
  std::uint32_t word = 0;
  if (!reader.Word(word)) {
    return false;
  }
  answer = Answer{};
  if (entry.result == ResultKind::kInt) {
    answer.number = static_cast<int>(word);
  } else if (word != kNullTag) {
    if (word > kMaxText + 1) {
      return false;
    }
    answer.textLength = word - 1;
    answer.text = reinterpret_cast<const char *>(reader.Take(word - 1));
    if (answer.text == nullptr) {
      return false;
    }
  }
  // What follows must be exactly the outputs the request sent, before any
  // of them is written.
  std::size_t expected = 0;
  for (std::size_t i = 0; i < entry.count; ++i) {
    if (args[i].pointer != nullptr && IsBuffer(entry.kinds[i])) {
      expected += BufferBytes(entry.kinds[i]);
    } else if (CarriesImage(entry.kinds[i], images.slot[i],
                            images.travelInline)) {
      expected += kImageBytes;
    }
  }
  const unsigned char *outputs = reader.Take(expected);
  if (outputs == nullptr || !reader.AtEnd()) {
    return false;
  }
  for (std::size_t i = 0; i < entry.count; ++i) {
    const Kind kind = entry.kinds[i];
    if (args[i].pointer != nullptr && IsBuffer(kind)) {
      std::memcpy(args[i].As<void *>(), outputs, BufferBytes(kind));
      outputs += BufferBytes(kind);
    } else if (CarriesImage(kind, images.slot[i], images.travelInline)) {
      std::memcpy(images.caller[images.slot[i]], outputs, kImageBytes);
      outputs += kImageBytes;
    }
  }
  return true;
}

std::size_t MaxRequestBytes(const Entry &entry, bool imagesInline) {
  const std::size_t image = imagesInline ? kImageBytes : 0;
  std::size_t bytes = 0;
  for (std::size_t i = 0; i < entry.count; ++i) {
    const Kind kind = entry.kinds[i];
    bytes += 4;
    if (kind == Kind::Text) {
      bytes += kMaxText;
    } else if (kind == Kind::Name) {
      bytes += image > kMaxText ? image : kMaxText;
    } else if (kind == Kind::Image) {
      bytes += image;
    } else {
      bytes += BufferBytes(kind);
    }
  }
  return bytes;
}

bool ReadCall(const Entry &entry, const unsigned char *payload,
              std::size_t length, bool imagesInline, unsigned char *slots,
              HostCall &call) {
  Reader reader(payload, length);
  std::uint32_t nextSlot = 0;
  for (std::size_t i = 0; i < entry.count; ++i) {
    const Kind kind = entry.kinds[i];
    call.args[i] = Arg();
    call.slot[i] = kNoSlot;
    call.present[i] = false;
    std::uint32_t tag = 0;
    if (!reader.Word(tag)) {
      return false;
    }
    if (kind == Kind::Int) {
      call.args[i] = Arg(static_cast<int>(tag));
      continue;
    }
    if (tag == kNullTag) {
      continue;
    }
    if (IsBuffer(kind)) {
      const unsigned char *bytes = reader.Take(BufferBytes(kind));
      if (tag != kPresentTag || bytes == nullptr) {
        return false;
      }
      std::memcpy(call.buffers[i], bytes, BufferBytes(kind));
      call.args[i] = Arg(call.buffers[i]);
      call.present[i] = true;
    } else if (kind == Kind::Address) {
      if (tag == kNeverNamedTag) {
        call.args[i] = Arg(&kNeverNamed);
      } else if (tag >= kSlotTag && tag - kSlotTag < kImageSlots) {
        call.args[i] = Arg(SlotAt(slots, tag - kSlotTag));
      } else {
        return false;
      }
    } else if (tag == kSlotTag + nextSlot && nextSlot < kImageSlots &&
               (kind == Kind::Image || kind == Kind::Name)) {
      unsigned char *image = SlotAt(slots, nextSlot);
      if (imagesInline) {
        const unsigned char *bytes = reader.Take(kImageBytes);
        if (bytes == nullptr) {
          return false;
        }
        std::memcpy(image, bytes, kImageBytes);
      }
      call.slot[i] = static_cast<int>(nextSlot++);
      if (kind == Kind::Image) {
        call.args[i] = Arg(image);
      } else {
        call.texts[i] =
            "MD:" + std::to_string(reinterpret_cast<std::uintptr_t>(image));
        call.args[i] = Arg(call.texts[i].c_str());
      }
    } else if ((kind == Kind::Text || kind == Kind::Name) &&
               tag <= kMaxText + 1) {
      const unsigned char *bytes = reader.Take(tag - 1);
      if (bytes == nullptr) {
        return false;
      }
      call.texts[i].assign(reinterpret_cast<const char *>(bytes), tag - 1);
      call.args[i] = Arg(call.texts[i].c_str());
    } else {
      return false;
    }
  }
  return reader.AtEnd();
}

void WriteReply(const Entry &entry, std::uint32_t sequence,
                const HostCall &call, bool imagesInline,
                const unsigned char *slots, Bytes &out) {
  out.assign(kHeaderBytes, 0);
  if (entry.result == ResultKind::kInt) {
    AppendWord(out, static_cast<std::uint32_t>(call.number));
  } else if (call.text == nullptr) {
    AppendWord(out, kNullTag);
  } else {
    // A longer text than any input may be is cut to that length.
    const std::size_t length = strnlen(call.text, kMaxText);
    AppendWord(out, static_cast<std::uint32_t>(length) + 1);
    Append(out, call.text, length);
  }
  for (std::size_t i = 0; i < entry.count; ++i) {
    const Kind kind = entry.kinds[i];
    if (call.present[i]) {
      Append(out, call.buffers[i], BufferBytes(kind));
    } else if (CarriesImage(kind, call.slot[i], imagesInline)) {
      Append(out, slots + static_cast<std::size_t>(call.slot[i]) * kImageBytes,
             kImageBytes);
    }
  }
  const std::size_t payload = out.size() - kHeaderBytes;
  PutHeader(out.data(), {kReply, static_cast<std::uint32_t>(entry.ordinal),
                         sequence, static_cast<std::uint32_t>(payload)});
}

} // namespace qel::wire
