// Pool take/release against new/delete, and text appends and number formatting against
// std::u16string, so that changes to the core's hot paths can be measured.
#include "core/col/array/ArrayP.h"
#include "core/str/strbuffer/StrBuffer.h"

#include <benchmark/benchmark.h>

#include <charconv>
#include <cstdio>
#include <string>

using s::col::_array::ArrayP;
using s::str::strbuffer::StrBuffer;

namespace {

// ---- Pools --------------------------------------------------------------------------------------

void PoolTakeRelease(benchmark::State& state) {
  for (auto _ : state) {
    StrBuffer* text = StrBuffer::take();
    benchmark::DoNotOptimize(text);
    text->release();
  }
}
BENCHMARK(PoolTakeRelease);

void HeapNewDelete(benchmark::State& state) {
  for (auto _ : state) {
    auto* text = new StrBuffer();
    benchmark::DoNotOptimize(text);
    delete text;
  }
}
BENCHMARK(HeapNewDelete);

// Eight objects held at once, as a caller that builds a small structure does.
void PoolTakeReleaseEight(benchmark::State& state) {
  ArrayP* held[8];
  for (auto _ : state) {
    for (auto& a : held) a = ArrayP::take();
    benchmark::DoNotOptimize(held);
    for (auto* a : held) a->release();
  }
}
BENCHMARK(PoolTakeReleaseEight);

void HeapNewDeleteEight(benchmark::State& state) {
  ArrayP* held[8];
  for (auto _ : state) {
    for (auto& a : held) a = new ArrayP();
    benchmark::DoNotOptimize(held);
    for (auto* a : held) delete a;
  }
}
BENCHMARK(HeapNewDeleteEight);

// ---- Appending texts ----------------------------------------------------------------------------

// A short text built from pieces and given back: the library's commonest text pattern.
void StrBufferAppend(benchmark::State& state) {
  const int pieces = static_cast<int>(state.range(0));
  for (auto _ : state) {
    StrBuffer* text = StrBuffer::take();
    for (int i = 0; i < pieces; ++i) {
      text->append(u"piece ");
    }
    benchmark::DoNotOptimize(text->getCStr());
    text->release();
  }
}
BENCHMARK(StrBufferAppend)->Arg(4)->Arg(64)->Arg(4096);

void U16StringAppend(benchmark::State& state) {
  const int pieces = static_cast<int>(state.range(0));
  for (auto _ : state) {
    std::u16string text;
    for (int i = 0; i < pieces; ++i) {
      text += u"piece ";
    }
    benchmark::DoNotOptimize(text.c_str());
  }
}
BENCHMARK(U16StringAppend)->Arg(4)->Arg(64)->Arg(4096);

// The same with the room reserved first: the appends alone, without the growth.
void StrBufferAppendReserved(benchmark::State& state) {
  const int pieces = static_cast<int>(state.range(0));
  for (auto _ : state) {
    StrBuffer* text = StrBuffer::take();
    text->reserve(static_cast<uint32_t>(pieces) * 6);
    for (int i = 0; i < pieces; ++i) {
      text->append(u"piece ");
    }
    benchmark::DoNotOptimize(text->getCStr());
    text->release();
  }
}
BENCHMARK(StrBufferAppendReserved)->Arg(4096);

void U16StringAppendReserved(benchmark::State& state) {
  const int pieces = static_cast<int>(state.range(0));
  for (auto _ : state) {
    std::u16string text;
    text.reserve(static_cast<size_t>(pieces) * 6);
    for (int i = 0; i < pieces; ++i) {
      text += u"piece ";
    }
    benchmark::DoNotOptimize(text.c_str());
  }
}
BENCHMARK(U16StringAppendReserved)->Arg(4096);

// ---- Numbers ------------------------------------------------------------------------------------

void StrBufferAppendInt32(benchmark::State& state) {
  StrBuffer* text = StrBuffer::take();
  int32_t value = -123456789;
  for (auto _ : state) {
    text->clear();
    text->appendInt32(value++);
    benchmark::DoNotOptimize(text->getBuffer());
  }
  text->release();
}
BENCHMARK(StrBufferAppendInt32);

void U16StringAppendInt32(benchmark::State& state) {
  std::u16string text;
  int32_t value = -123456789;
  for (auto _ : state) {
    text.clear();
    char digits[16];
    const auto end = std::to_chars(digits, digits + sizeof digits, value++).ptr;
    text.append(digits, end);
    benchmark::DoNotOptimize(text.data());
  }
}
BENCHMARK(U16StringAppendInt32);

void StrBufferAssignInt64(benchmark::State& state) {
  StrBuffer* text = StrBuffer::take();
  int64_t value = 1234567890123;
  for (auto _ : state) {
    text->assignInt64(value++);
    benchmark::DoNotOptimize(text->getBuffer());
  }
  text->release();
}
BENCHMARK(StrBufferAssignInt64);

void StrBufferAppendDouble(benchmark::State& state) {
  StrBuffer* text = StrBuffer::take();
  double value = 3.14159;
  for (auto _ : state) {
    text->clear();
    text->appendDouble(value);
    value += 1.25;
    benchmark::DoNotOptimize(text->getBuffer());
  }
  text->release();
}
BENCHMARK(StrBufferAppendDouble);

void U16StringAppendDouble(benchmark::State& state) {
  std::u16string text;
  double value = 3.14159;
  for (auto _ : state) {
    text.clear();
    char digits[320];
    const int n = std::snprintf(digits, sizeof digits, "%f", value);
    text.append(digits, digits + n);
    value += 1.25;
    benchmark::DoNotOptimize(text.data());
  }
}
BENCHMARK(U16StringAppendDouble);

void StrBufferHexBytes(benchmark::State& state) {
  uint8_t digest[16];
  for (int i = 0; i < 16; ++i) digest[i] = static_cast<uint8_t>(i * 17);
  StrBuffer* text = StrBuffer::take();
  for (auto _ : state) {
    text->setHexBytes(digest, 16, false);
    benchmark::DoNotOptimize(text->getBuffer());
  }
  text->release();
}
BENCHMARK(StrBufferHexBytes);

}  // namespace
