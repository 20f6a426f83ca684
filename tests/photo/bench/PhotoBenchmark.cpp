// Benchmark: matching 10,000 photos against 131,072 track points (sorting
// included), and a folder of 64 KB photos copied plainly against the photo
// job's geotagged copies, first into an empty GPS folder and then again over
// the full one (plain copies over their earlier ones for reference).
// Usage: photo_benchmark [photo count] [rounds] (1000 photos and 3 rounds
// when not given).
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "ExifBuilder.h"
#include "photo/PageTrackLogPhoto.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

double Seconds(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

std::string PhotoName(int i) { return "p" + std::to_string(i) + ".jpg"; }

void Match(CPageTrackLogPhoto& page) {
  std::mt19937 random(7);
  const std::int32_t start = 1200000000;
  for (int i = 0; i < 131072; ++i) {
    page.m_points.push_back({121.0f, 25.0f, 10.0f, start + i * 5 + static_cast<int>(random() % 3)});
  }
  page.m_nPointCount = 131072;
  for (int i = 0; i < 10000; ++i) {
    const std::int32_t t = start + static_cast<std::int32_t>(random() % (131072 * 5 + 2000)) - 1000;
    page.m_photos.push_back({PhotoName(i), t, t});
  }
  page.m_nPhotoCount = 10000;
  const auto t0 = Clock::now();
  page.SortTrackPoints();
  page.ApplyCalibration();
  page.SortPhotos();
  page.MatchPhotos();
  std::printf("match 10000 photos x 131072 points: %.3f s\n", Seconds(t0));
}

// The job's copies of every photo, through the job's batch, then flushed to
// disk; the number of copies that failed.
int GeotaggedCopies(CPageTrackLogPhoto& page, const fs::path& dir, int count) {
  int failures = 0;
  page.m_gpsCopyBatch.Begin();
  for (int i = 0; i < count; ++i) {
    int flag = 0;
    std::string message;
    page.WriteGpsExif((dir / PhotoName(i)).string(), page.m_points[static_cast<std::size_t>(i)],
                      flag, message);
    failures += flag;
  }
  if (page.m_gpsCopyBatch.Finish() != 0) ++failures;
  sync();
  return failures;
}

void Report(const char* what, double seconds, int count, double plain) {
  std::printf("%-32s %8.3f s  %8.1f us/photo  %6.2fx\n", what, seconds, seconds * 1e6 / count,
              seconds / plain);
}

}  // namespace

int main(int argc, char** argv) {
  const int count = argc > 1 ? std::atoi(argv[1]) : 1000;
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
  if (count <= 0 || count > 131072 || rounds <= 0) {
    std::fprintf(stderr, "usage: photo_benchmark [photo count, 1 to 131072] [rounds]\n");
    return 2;
  }
  CPageTrackLogPhoto page;
  page.m_bBatchMode = 1;
  Match(page);

  const fs::path dir =
      fs::temp_directory_path() / ("navrel_photo_bench." + std::to_string(getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  exiftest::Bytes photo = exiftest::BuildJpeg(exiftest::JpegLayout{});
  if (photo.size() < 64 * 1024) photo.insert(photo.end() - 2, 64 * 1024 - photo.size(), 0x5A);
  for (int i = 0; i < count; ++i) {
    std::ofstream(dir / PhotoName(i), std::ios::binary)
        .write(reinterpret_cast<const char*>(photo.data()),
               static_cast<std::streamsize>(photo.size()));
  }
  sync();

  // Best of some rounds, as the disk is shared with whatever else runs.
  // Each round has folders of its own (the photos linked into it), as
  // freeing the last round's copies would slow the next one down; each part
  // starts with nothing left to write from the one before.
  double plain = 1e9, plainAgain = 1e9, job = 1e9, rerun = 1e9;
  int failures = 0;
  for (int round = 0; round < rounds; ++round) {
    const fs::path photos = dir / ("round" + std::to_string(round));
    fs::create_directories(photos / "plain");
    for (int i = 0; i < count; ++i) fs::create_hard_link(dir / PhotoName(i), photos / PhotoName(i));
    sync();
    auto t0 = Clock::now();
    for (int i = 0; i < count; ++i)
      fs::copy_file(photos / PhotoName(i), photos / "plain" / PhotoName(i));
    sync();
    plain = std::min(plain, Seconds(t0));
    // For reference: what replacing the copies costs plain copies too.
    t0 = Clock::now();
    for (int i = 0; i < count; ++i)
      fs::copy_file(photos / PhotoName(i), photos / "plain" / PhotoName(i),
                    fs::copy_options::overwrite_existing);
    sync();
    plainAgain = std::min(plainAgain, Seconds(t0));

    t0 = Clock::now();
    failures += GeotaggedCopies(page, photos, count);
    job = std::min(job, Seconds(t0));

    t0 = Clock::now();
    failures += GeotaggedCopies(page, photos, count);
    rerun = std::min(rerun, Seconds(t0));
  }

  std::printf("%d photos of %zu bytes, best of %d rounds\n", count, photo.size(), rounds);
  Report("plain copies + sync", plain, count, plain);
  Report("plain copies again + sync", plainAgain, count, plain);
  Report("geotagged copies + sync", job, count, plain);
  Report("rerun over the full GPS folder", rerun, count, plain);
  std::printf("%d failed\n", failures);
  fs::remove_all(dir);
  return failures == 0 ? 0 : 1;
}
