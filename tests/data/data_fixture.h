// Shared fixtures for the data-layer tests: a personal folder and a data
// root in a temporary folder, archives and gzip files built on the spot.
#pragma once
#include <gtest/gtest.h>
#include <zlib.h>

#include <string>
#include <utility>
#include <vector>

#include "data/data.h"
#include "support/test_env.h"

// Root 0 = <tmp>/xdg/Korvath/, root 1 = <tmp>/game/ (KV_HOME).
struct data_roots_fixture : ::testing::Test {
  temp_dir tmp;
  scoped_env xdg{"XDG_DATA_HOME", (tmp.path + "/xdg").c_str()};
  scoped_env kv_home{"KV_HOME", (tmp.path + "/game").c_str()};
  std::string personal = tmp.path + "/xdg/Korvath/";
  std::string game = tmp.path + "/game/";
  void SetUp() override { data_reset(); }
  void TearDown() override { data_reset(); }
};

// A ".saf" archive holding the members in the given order.
inline std::string saf_bytes(const std::vector<std::pair<std::string, std::string>> &members) {
  std::string header, body;
  for (const auto &m : members) {
    header += std::to_string(m.second.size()) + " " + m.first + "\n";
    body += m.second;
  }
  return header + "-\n" + body;
}

// Raw deflate data of the bytes.
inline std::string deflate_raw(const std::string &bytes) {
  z_stream z{};
  deflateInit2(&z, 9, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&z, bytes.size()) + 16, '\0');
  z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(bytes.data()));
  z.avail_in = static_cast<uInt>(bytes.size());
  z.next_out = reinterpret_cast<Bytef *>(&out[0]);
  z.avail_out = static_cast<uInt>(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

// A gzip file: a hand-made header with the given flag byte and optional
// fields, the raw deflate data and a trailer.
inline std::string gzip_bytes(const std::string &bytes, int flags = 0, const std::string &fields = "") {
  std::string out = {'\x1f', '\x8b', '\x08', static_cast<char>(flags), 0, 0, 0, 0, 0, '\x03'};
  out += fields;
  out += deflate_raw(bytes);
  uLong crc = crc32(0, reinterpret_cast<const Bytef *>(bytes.data()), static_cast<uInt>(bytes.size()));
  for (int i = 0; i < 4; i++) out += static_cast<char>((crc >> (8 * i)) & 0xFF);
  for (int i = 0; i < 4; i++) out += static_cast<char>((bytes.size() >> (8 * i)) & 0xFF);
  return out;
}

// Everything left in the stream, byte by byte.
inline std::string drain(data_stream *s) {
  std::string out;
  for (int c; (c = data_getc(s)) >= 0;) out += static_cast<char>(c);
  return out;
}
