// The template browser's thumbnails: how long until every thumbnail of a
// folder has arrived at the grid, for a folder of 40 photographs (12
// megapixel JPEG files carrying EXIF thumbnails, as cameras write them) and
// a folder of 40 large PNG files (no thumbnails: each is decoded whole and
// reduced).  While the worker runs, the interface thread keeps touching the
// list's lock as the grid does; "ui_wait_max_ms" is the longest it waited,
// which stays far below a frame because decoding never holds the lock.
//
// The folders are made once per run in the temporary folder (one picture
// encoded, then copied under 40 names).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "image/ImageBuffer.h"
#include "imagefiles/PictureWriter.h"
#include "platform/MessageQueue.h"
#include "ui/ThumbnailList.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

constexpr int kFiles = 40;

CImageBuffer Gradient(int width, int height) {
  CImageBuffer picture;
  picture.CreateBGR(width, height).Code();
  for (int y = 0; y < height; ++y) {
    CRowWriter row(picture, y);
    for (int x = 0; x < width; ++x) {
      std::uint8_t* p = row.Row() + 3 * x;
      p[0] = static_cast<std::uint8_t>(x * 255 / width);
      p[1] = static_cast<std::uint8_t>(y * 255 / height);
      p[2] = static_cast<std::uint8_t>((x ^ y) & 0xFF);
    }
  }
  return picture;
}

Bytes ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Put16(Bytes* b, unsigned v) {
  b->push_back(static_cast<std::uint8_t>(v & 0xFF));
  b->push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(Bytes* b, std::uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}

// A JPEG file with an APP1 EXIF block holding IFD0 (the camera model) and
// IFD1 (the embedded thumbnail), as a camera writes it.
Bytes WithExifThumbnail(const Bytes& jpeg, const Bytes& thumbnail) {
  Bytes tiff = {'I', 'I', 0x2A, 0};
  Put32(&tiff, 8);  // IFD0
  Put16(&tiff, 1);  // IFD0: one entry, Model "X1" inline
  Put16(&tiff, 0x0110);
  Put16(&tiff, 2);
  Put32(&tiff, 3);
  tiff.insert(tiff.end(), {'X', '1', 0, 0});
  Put32(&tiff, 26);  // next: IFD1
  Put16(&tiff, 2);   // IFD1: thumbnail offset and length
  Put16(&tiff, 0x0201);
  Put16(&tiff, 4);
  Put32(&tiff, 1);
  Put32(&tiff, 56);
  Put16(&tiff, 0x0202);
  Put16(&tiff, 4);
  Put32(&tiff, 1);
  Put32(&tiff, static_cast<std::uint32_t>(thumbnail.size()));
  Put32(&tiff, 0);
  tiff.insert(tiff.end(), thumbnail.begin(), thumbnail.end());
  Bytes app1 = {'E', 'x', 'i', 'f', 0, 0};
  app1.insert(app1.end(), tiff.begin(), tiff.end());
  Bytes out = {0xFF, 0xD8, 0xFF, 0xE1};
  const std::size_t length = app1.size() + 2;
  out.push_back(static_cast<std::uint8_t>(length >> 8));
  out.push_back(static_cast<std::uint8_t>(length & 0xFF));
  out.insert(out.end(), app1.begin(), app1.end());
  out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
  return out;
}

// A folder of kFiles copies of one file.
std::string MakeFolder(const std::string& name, const Bytes& file, const char* extension) {
  const fs::path folder = fs::temp_directory_path() / ("tintavo-bench-" + name);
  fs::create_directories(folder);
  for (int i = 0; i < kFiles; ++i) {
    char leaf[32];
    std::snprintf(leaf, sizeof leaf, "p%02d.%s", i, extension);
    const fs::path path = folder / leaf;
    if (fs::exists(path) && fs::file_size(path) == file.size()) continue;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(file.data()),
                                                static_cast<std::streamsize>(file.size()));
  }
  return folder.string();
}

Bytes Encoded(const CImageBuffer& picture, const char* leaf, PictureFormat format) {
  const std::string path = (fs::temp_directory_path() / leaf).string();
  std::string error;
  if (!WritePicture(picture, path, format, 90, &error)) std::fprintf(stderr, "cannot write %s: %s\n", leaf, error.c_str());
  Bytes bytes = ReadAll(path);
  fs::remove(path);
  return bytes;
}

const std::string& PhotoFolder() {
  static const std::string folder = [] {
    const Bytes main = Encoded(Gradient(4000, 3000), "tintavo-bench-main.jpg", PictureFormat::kJpeg);
    const Bytes thumb = Encoded(Gradient(160, 120), "tintavo-bench-thumb.jpg", PictureFormat::kJpeg);
    return MakeFolder("photos", WithExifThumbnail(main, thumb), "jpg");
  }();
  return folder;
}

const std::string& PngFolder(int width, int height) {
  static std::string folder;
  if (folder.empty()) {
    folder = MakeFolder("png-" + std::to_string(width) + "x" + std::to_string(height),
                        Encoded(Gradient(width, height), "tintavo-bench-large.png", PictureFormat::kPng), "png");
  }
  return folder;
}

// Scans the folder with the worker and waits for every notice; the
// interface thread meanwhile takes the list's lock every millisecond.
void AllThumbnails(benchmark::State& state, const std::string& folder) {
  double worstWait = 0;
  for (auto _ : state) {
    platform::MessageQueue queue;
    ui::CThumbnailList list;
    list.AttachView(queue.Handle());
    const auto start = std::chrono::steady_clock::now();
    list.ScanFolder(folder, false, true);
    int arrived = 0, failed = 0;
    platform::WindowMessage message;
    while (arrived < kFiles) {
      if (queue.Wait(ui::UM_THUMBNAILREADY, ui::UM_THUMBNAILREADY, &message, 1)) {
        ++arrived;
        failed += message.lParam != 0 ? 1 : 0;
        continue;
      }
      const auto before = std::chrono::steady_clock::now();
      list.AttachView(queue.Handle());  // takes the list lock, as the grid's edits do
      worstWait = std::max(worstWait, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - before).count());
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    state.SetIterationTime(seconds);
    if (failed != 0) state.SkipWithError("thumbnails failed");
  }
  state.counters["ui_wait_max_ms"] = worstWait;
  state.counters["files"] = kFiles;
}

void BM_FolderOf40Photographs12MP(benchmark::State& state) { AllThumbnails(state, PhotoFolder()); }
void BM_FolderOf40LargePngs(benchmark::State& state) {
  AllThumbnails(state, PngFolder(static_cast<int>(state.range(0)), static_cast<int>(state.range(1))));
}

}  // namespace

BENCHMARK(BM_FolderOf40Photographs12MP)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_FolderOf40LargePngs)->Args({3000, 2000})->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(2);
