#include "fuzz/whole_run.hpp"

#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "core/parallel.hpp"
#include "fuzz/vast_image.hpp"

namespace bmp::fuzz {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

// Inputs of at most this many pixels a side keep every run short.
constexpr int side_cap = 32;
// Outputs past this size fail to write: a number can ask for a large image.
constexpr rlim_t output_cap = rlim_t{1} << 20;

fs::path folder;  // the run's files
fs::path tmpdir;  // TMPDIR of the runs

// The fuzzer's bytes, read in order; past the end they read as 0.
class Cursor {
 public:
  Cursor(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  uint8_t next() { return at_ < size_ ? data_[at_++] : 0; }
  // The bytes not read yet, for the pixels.
  std::span<const uint8_t> rest() const { return {data_ + at_, size_ - at_}; }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};

void put_le(Bytes& bytes, size_t at, uint64_t value, int width) {
  for (int i = 0; i < width; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

uint64_t le(const Bytes& bytes, size_t at, int width) {
  uint64_t value = 0;
  for (int i = width - 1; i >= 0; --i) value = value << 8 | bytes[at + i];
  return value;
}

struct Shape {
  int width = 0;
  int height = 0;
};

// A file of the suite's layout: the 54-byte header and padded rows of three
// bytes a pixel, or the 122-byte header and rows of four; pixels all 0.
Bytes image_file(Shape shape, bool four_byte) {
  const size_t header = four_byte ? 122 : 54;
  const size_t row = four_byte ? 4 * shape.width : 3 * shape.width + shape.width % 4;
  Bytes file(header + row * shape.height, 0);
  file[0] = 'B';
  file[1] = 'M';
  put_le(file, 2, file.size(), 4);
  put_le(file, 10, header, 4);
  put_le(file, 14, 40, 4);
  put_le(file, 18, shape.width, 4);
  put_le(file, 22, shape.height, 4);
  put_le(file, 26, 1, 2);
  put_le(file, 28, four_byte ? 32 : 24, 2);
  put_le(file, 34, row * shape.height, 4);
  return file;
}

// Mostly sound, now and then with header bytes changed or the end cut off.
void damage(Bytes& file, size_t header, Cursor& in) {
  const uint8_t how = in.next();
  if ((how & 0xc0) == 0xc0) {
    for (int n = (how & 3) + 1; n > 0; --n) {
      const size_t at = in.next() % header;
      file[at] = in.next();
    }
  }
  if ((how & 0x30) == 0x30) file.resize(file.size() - std::min<size_t>(file.size(), 1 + in.next()));
}

Shape shape_of(Cursor& in) {
  const int width = in.next() % (side_cap + 1);
  return {width, in.next() % (side_cap + 1)};
}

// The second image: its own size, the first's width or height (images put
// side by side), or (a filter beside its data) mostly the first's size or
// one that fits inside it.
Shape second_shape(Cursor& in, SecondSize second, Shape first) {
  const uint8_t relation = in.next() % 4;
  Shape shape = shape_of(in);
  if (second == SecondSize::within_first) {
    if (relation == 3) {
      shape.width = first.width - shape.width % (first.width + 1);
      shape.height = first.height - shape.height % (first.height + 1);
    } else if (relation != 0) {
      shape = first;
    }
  } else if (relation == 1) {
    shape.width = first.width;
  } else if (relation == 2) {
    shape.height = first.height;
  }
  return shape;
}

// A number argument: a flag-sized integer, a wider integer, a real, or a
// text at the edges of the conversions.
std::string number(Cursor& in) {
  static const char* const edges[] = {
      "",    "abc",  "12abc", "-0",  "nan", "inf", "-inf", "1e300",      "1e-300",
      "0.5", "-0.5", "255",   "256", "100", "360", "-360", "2147483648", "-2147483649",
  };
  const uint8_t kind = in.next();
  const uint8_t value = in.next();
  switch (kind >> 6) {
    case 0:
      return std::to_string(value % 12 - 1);
    case 1:
      return std::to_string(static_cast<int8_t>(value) * (1 + (kind & 3)));
    case 2: {
      char text[32];
      std::snprintf(text, sizeof text, "%.4f", static_cast<int8_t>(value) + (kind & 63) / 64.0);
      return text;
    }
    default:
      return edges[value % std::size(edges)];
  }
}

// A row count: as number(), but never above row_cap. A tool reports every
// row it makes, so 2^31 rows of no pixels (the width 0 or less) run for
// minutes without writing a byte the output cap could stop.
constexpr int row_cap = 1024;
std::string row_count(Cursor& in) {
  std::string text = number(in);
  return std::strtod(text.c_str(), nullptr) > row_cap ? std::to_string(row_cap) : text;
}

void write_bytes(const fs::path& path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

Bytes read_bytes(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(file), {});
}

[[noreturn]] void fault(const FuzzedTool& tool, const std::string& what) {
  std::fprintf(stderr, "%.*s: %s\n", static_cast<int>(tool.name.size()), tool.name.data(),
               what.c_str());
  std::abort();
}

// Its length is what its header says, and what its size and kind make.
bool well_formed(const Bytes& file) {
  if (file.size() < 54 || file[0] != 'B' || file[1] != 'M') return false;
  if (le(file, 2, 4) != file.size()) return false;
  const uint64_t width = le(file, 18, 4), height = le(file, 22, 4);
  switch (le(file, 28, 2)) {
    case 24:
      return file.size() == 54 + (3 * width + width % 4) * height;
    case 32:
      return file.size() == 122 + 4 * width * height;
    default:
      return false;
  }
}

void remove_all_in(const fs::path& where) {
  for (const auto& entry : fs::directory_iterator(where)) fs::remove_all(entry.path());
}

}  // namespace

int run_fuzzed(std::span<const FuzzedTool> tools, SecondSize second, const uint8_t* data,
               size_t size) {
  Cursor in(data, size);
  const FuzzedTool& tool = tools[in.next() % tools.size()];
  const int count = tool.forms[in.next() % tool.forms.size()];

  // The inputs it reads, described before the numbers and filled from the
  // bytes after them.
  const bool uses_a = tool.files.find('a') != std::string_view::npos;
  const bool uses_b = tool.files.find('b') != std::string_view::npos;
  const bool uses_q = tool.files.find('q') != std::string_view::npos;
  Shape a, b, q;
  if (uses_a || uses_b) a = shape_of(in);
  if (uses_b) b = second_shape(in, second, a);
  if (uses_q) q = shape_of(in);
  struct Input {
    std::string name;
    Bytes bytes;
  };
  std::vector<Input> inputs;
  auto add_input = [&](const char* name, Shape shape, bool four_byte) {
    Bytes file = image_file(shape, four_byte);
    damage(file, four_byte ? 122 : 54, in);
    inputs.push_back({name, std::move(file)});
  };
  if (uses_a) add_input("a.bmp", a, false);
  if (uses_b) add_input("b.bmp", b, false);
  if (uses_q) add_input("q.bmp", q, true);
  for (const Input& input : inputs) {
    if (declares_vast_image(input.bytes.data(), input.bytes.size())) return 0;
  }

  std::vector<std::string> args{std::string(tool.name)};
  std::vector<std::string> outputs;
  for (int i = 1; i < count; ++i) {
    const char kind = static_cast<size_t>(i - 1) < tool.files.size() ? tool.files[i - 1] : 'n';
    if (kind == 'o') {
      outputs.push_back("out" + std::to_string(outputs.size() + 1) + ".bmp");
      args.push_back((folder / outputs.back()).string());
    } else if (kind == 'n') {
      args.push_back(number(in));
    } else if (kind == 'h') {
      args.push_back(row_count(in));
    } else {
      args.push_back((folder / (std::string(1, kind) + ".bmp")).string());
    }
  }

  // The pixels, from the bytes after the numbers; headers keep their damage.
  std::span<const uint8_t> pixels = in.rest();
  for (Input& input : inputs) {
    const size_t header = input.name == "q.bmp" ? 122 : 54;
    for (size_t i = header; i < input.bytes.size() && !pixels.empty(); ++i) {
      input.bytes[i] = pixels[(i - header) % pixels.size()];
    }
    write_bytes(folder / input.name, input.bytes);
  }

  std::vector<std::string_view> views(args.begin(), args.end());
  const int status = tool.run(views);
  if (status != 0 && status != 1) fault(tool, "status " + std::to_string(status));

  for (const auto& entry : fs::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    bool known = false;
    for (const Input& input : inputs) known = known || input.name == name;
    for (const std::string& output : outputs) known = known || (status == 0 && output == name);
    if (!known) fault(tool, "left " + name + " with status " + std::to_string(status));
  }
  if (status == 0) {
    for (const std::string& output : outputs) {
      if (!fs::exists(folder / output)) fault(tool, "status 0 without " + output);
      if (!well_formed(read_bytes(folder / output))) fault(tool, output + " is not well formed");
    }
  }
  if (!fs::is_empty(tmpdir)) fault(tool, "left temporary files");
  remove_all_in(folder);
  return 0;
}

}  // namespace bmp::fuzz

namespace {

void remove_folder() {
  std::error_code ec;
  std::filesystem::remove_all(bmp::fuzz::folder.parent_path(), ec);
}

}  // namespace

// Prompts read an empty standard input; what the tools print goes nowhere;
// the files live in a private folder, removed at exit.
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  std::freopen("/dev/null", "w", stdout);
  std::freopen("/dev/null", "r", stdin);
  // An output past the cap is a failed write the tool must report, not the
  // end of the fuzzer: libFuzzer would otherwise take the signal itself.
  std::signal(SIGXFSZ, SIG_IGN);
  static std::vector<char*> args(*argv, *argv + *argc);
  static char keep_xfsz[] = "-handle_xfsz=0";
  args.insert(args.begin() + 1, keep_xfsz);
  args.push_back(nullptr);
  *argc = static_cast<int>(args.size()) - 1;
  *argv = args.data();
  // Two threads at most: the shared-out paths still run, but the coverage
  // counters every thread updates do not turn a million pixels into seconds
  // of contention.
  bmp::limit_workers(2);
  rlimit cap{};
  if (getrlimit(RLIMIT_FSIZE, &cap) == 0 && cap.rlim_max > bmp::fuzz::output_cap) {
    cap.rlim_cur = bmp::fuzz::output_cap;
    setrlimit(RLIMIT_FSIZE, &cap);
  }
  // A memory file system where there is one: most of a run is file creation.
  std::error_code ec;
  std::filesystem::path base = "/dev/shm";
  if (!std::filesystem::is_directory(base, ec) || access(base.c_str(), W_OK) != 0)
    base = std::filesystem::temp_directory_path();
  std::string pattern = (base / "tool-fuzz.XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) std::abort();
  bmp::fuzz::folder = std::filesystem::path(pattern) / "files";
  bmp::fuzz::tmpdir = std::filesystem::path(pattern) / "tmp";
  std::filesystem::create_directory(bmp::fuzz::folder);
  std::filesystem::create_directory(bmp::fuzz::tmpdir);
  setenv("TMPDIR", bmp::fuzz::tmpdir.c_str(), 1);
  std::atexit(remove_folder);
  return 0;
}
