// Base64 of 1 KiB and 1 MiB of random bytes, encoding and decoding,
// against OpenSSL's EVP_EncodeBlock / EVP_DecodeBlock and GLib's
// g_base64_encode / g_base64_decode. Ours both on 8-bit text
// (base64Encode, base64Decode) and on Strings (encodedBase64Data,
// decodedBase64Data).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "paths/Base64.h"

#ifdef ORVIN_BENCH_OPENSSL
#include <openssl/evp.h>
#endif
#ifdef ORVIN_BENCH_GLIB
#include <glib.h>
#endif

namespace {

const std::vector<std::uint8_t>& randomBytes(std::size_t size) {
  static std::vector<std::uint8_t> bytes;
  if (bytes.size() != size) {
    std::mt19937 random(4648);
    bytes.resize(size);
    for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
  }
  return bytes;
}

const std::string& encodedText(std::size_t size) {
  static std::string text;
  static std::size_t made = 0;
  if (made != size) {
    text = orvin::base64Encode(randomBytes(size));
    made = size;
  }
  return text;
}

void setBytes(benchmark::State& state) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

void BM_Base64Encode(benchmark::State& state) {
  const auto& bytes = randomBytes(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    const std::string text = orvin::base64Encode(bytes);
    benchmark::DoNotOptimize(text);
  }
  setBytes(state);
}

void BM_Base64Encode_String(benchmark::State& state) {
  const auto& bytes = randomBytes(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    const orvin::String text = orvin::encodedBase64Data(bytes);
    benchmark::DoNotOptimize(text);
  }
  setBytes(state);
}

void BM_Base64Decode(benchmark::State& state) {
  const std::string& text = encodedText(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    const auto bytes = orvin::base64Decode(text);
    benchmark::DoNotOptimize(bytes);
  }
  setBytes(state);
}

void BM_Base64Decode_String(benchmark::State& state) {
  const orvin::String text =
      orvin::String::withLatin1(encodedText(static_cast<std::size_t>(state.range(0))));
  for (auto _ : state) {
    const auto bytes = orvin::decodedBase64Data(text);
    benchmark::DoNotOptimize(bytes);
  }
  setBytes(state);
}

#ifdef ORVIN_BENCH_OPENSSL
void BM_Base64Encode_OpenSsl(benchmark::State& state) {
  const auto& bytes = randomBytes(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    std::string text((bytes.size() + 2) / 3 * 4 + 1, '\0');
    const int n = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(text.data()), bytes.data(),
                                  static_cast<int>(bytes.size()));
    text.resize(static_cast<std::size_t>(n));
    benchmark::DoNotOptimize(text);
  }
  setBytes(state);
}

void BM_Base64Decode_OpenSsl(benchmark::State& state) {
  const std::string& text = encodedText(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    std::vector<std::uint8_t> bytes(text.size() / 4 * 3);
    const int n = EVP_DecodeBlock(bytes.data(), reinterpret_cast<const unsigned char*>(text.data()),
                                  static_cast<int>(text.size()));
    bytes.resize(static_cast<std::size_t>(n));
    benchmark::DoNotOptimize(bytes);
  }
  setBytes(state);
}
BENCHMARK(BM_Base64Encode_OpenSsl)->Arg(1 << 10)->Arg(1 << 20);
BENCHMARK(BM_Base64Decode_OpenSsl)->Arg(1 << 10)->Arg(1 << 20);
#endif

#ifdef ORVIN_BENCH_GLIB
void BM_Base64Encode_GLib(benchmark::State& state) {
  const auto& bytes = randomBytes(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    gchar* text = g_base64_encode(bytes.data(), bytes.size());
    benchmark::DoNotOptimize(text);
    g_free(text);
  }
  setBytes(state);
}

void BM_Base64Decode_GLib(benchmark::State& state) {
  const std::string& text = encodedText(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    gsize n = 0;
    guchar* bytes = g_base64_decode(text.c_str(), &n);
    benchmark::DoNotOptimize(bytes);
    g_free(bytes);
  }
  setBytes(state);
}
BENCHMARK(BM_Base64Encode_GLib)->Arg(1 << 10)->Arg(1 << 20);
BENCHMARK(BM_Base64Decode_GLib)->Arg(1 << 10)->Arg(1 << 20);
#endif

BENCHMARK(BM_Base64Encode)->Arg(1 << 10)->Arg(1 << 20);
BENCHMARK(BM_Base64Encode_String)->Arg(1 << 10)->Arg(1 << 20);
BENCHMARK(BM_Base64Decode)->Arg(1 << 10)->Arg(1 << 20);
BENCHMARK(BM_Base64Decode_String)->Arg(1 << 10)->Arg(1 << 20);

}  // namespace
