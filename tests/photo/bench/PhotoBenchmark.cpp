// Benchmark: matching 10,000 photos against 131,072 track points (sorting
// included), and geotagged copies against plain copies of the same photos.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>

#include "ExifBuilder.h"
#include "photo/PageTrackLogPhoto.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

static double Seconds(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

int main() {
  CPageTrackLogPhoto page;
  page.m_bBatchMode = 1;
  std::mt19937 random(7);
  const std::int32_t start = 1200000000;
  for (int i = 0; i < 131072; ++i) {
    page.m_points.push_back({121.0f, 25.0f, 10.0f, start + i * 5 + static_cast<int>(random() % 3)});
  }
  page.m_nPointCount = 131072;
  for (int i = 0; i < 10000; ++i) {
    const std::int32_t t = start + static_cast<std::int32_t>(random() % (131072 * 5 + 2000)) - 1000;
    page.m_photos.push_back({"p" + std::to_string(i) + ".jpg", t, t});
  }
  page.m_nPhotoCount = 10000;
  auto t0 = Clock::now();
  page.SortTrackPoints();
  page.ApplyCalibration();
  page.SortPhotos();
  page.MatchPhotos();
  std::printf("match 10000 photos x 131072 points: %.3f s\n", Seconds(t0));

  const fs::path dir = fs::temp_directory_path() / "navrel_photo_bench";
  fs::remove_all(dir);
  fs::create_directories(dir / "plain");
  exiftest::Bytes photo = exiftest::BuildJpeg(exiftest::JpegLayout{});
  photo.insert(photo.end() - 2, 3 * 1024 * 1024, 0x5A);  // a 3 MB image body
  const int count = 100;
  for (int i = 0; i < count; ++i) {
    std::ofstream(dir / ("p" + std::to_string(i) + ".jpg"), std::ios::binary)
        .write(reinterpret_cast<const char*>(photo.data()),
               static_cast<std::streamsize>(photo.size()));
  }
  // Best of five rounds each, alternating, with the written data flushed
  // after every round so that one kind does not pay for the other's writes.
  double plain = 1e9, geotagged = 1e9;
  int failures = 0;
  for (int round = 0; round < 5; ++round) {
    sync();
    t0 = Clock::now();
    for (int i = 0; i < count; ++i) {
      const std::string name = "p" + std::to_string(i) + ".jpg";
      fs::copy_file(dir / name, dir / "plain" / name, fs::copy_options::overwrite_existing);
    }
    sync();
    plain = std::min(plain, Seconds(t0));
    t0 = Clock::now();
    for (int i = 0; i < count; ++i) {
      int flag = 0;
      std::string message;
      page.WriteGpsExif((dir / ("p" + std::to_string(i) + ".jpg")).string(), page.m_points[i], flag,
                        message);
      failures += flag;
    }
    sync();
    geotagged = std::min(geotagged, Seconds(t0));
  }
  std::printf(
      "%d photos of %zu bytes: plain copy %.3f s, geotagged copy %.3f s (%.2fx), %d failed\n",
      count, photo.size(), plain, geotagged, geotagged / plain, failures);
  fs::remove_all(dir);
  return failures == 0 ? 0 : 1;
}
