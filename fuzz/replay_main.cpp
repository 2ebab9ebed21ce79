// Replays kept inputs through a fuzz target without the fuzzer: every file named on the
// command line, and every file in every folder named there, goes once through
// LLVMFuzzerTestOneInput. A broken property aborts, so the run fails; otherwise it reports how
// many inputs it replayed. Used by ctest in every build, so the inputs that once found a fault
// keep it fixed.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size);

namespace fs = std::filesystem;

namespace {

std::vector<fs::path> inputs(const fs::path &path) {
    std::vector<fs::path> files;
    if (fs::is_directory(path)) {
        for (const auto &entry : fs::directory_iterator(path)) {
            if (entry.is_regular_file() && entry.path().filename().string().front() != '.') {
                files.push_back(entry.path());
            }
        }
        std::sort(files.begin(), files.end());
    } else if (fs::is_regular_file(path)) {
        files.push_back(path);
    }
    return files;
}

}  // namespace

int main(int argc, char **argv) {
    // All paths are made absolute first: a target may change the working folder.
    std::vector<fs::path> paths;
    for (int i = 1; i < argc; ++i) {
        paths.push_back(fs::absolute(argv[i]));
        if (!fs::exists(paths.back())) {
            std::fprintf(stderr, "%s: no such file or folder\n", argv[i]);
            return 2;
        }
    }
    std::size_t replayed = 0;
    for (const fs::path &path : paths) {
        for (const fs::path &file : inputs(path)) {
            std::ifstream in(file, std::ios::binary);
            const std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
                                          std::istreambuf_iterator<char>());
            std::fprintf(stderr, "replaying %s (%zu bytes)\n", file.c_str(), bytes.size());
            // A copy of exactly the input's size, so a read past its end shows under ASan.
            std::vector<std::uint8_t> input(bytes.begin(), bytes.end());
            // libFuzzer never hands over a null pointer, not even for an empty input.
            static const std::uint8_t kNothing = 0;
            LLVMFuzzerTestOneInput(input.empty() ? &kNothing : input.data(), input.size());
            ++replayed;
        }
    }
    if (replayed == 0) {
        std::fprintf(stderr, "no inputs to replay\n");
        return 2;
    }
    std::printf("replayed %zu inputs\n", replayed);
    return 0;
}
