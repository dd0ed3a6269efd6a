// A libFuzzer target run without libFuzzer, so that any build (gcc, the
// sanitizer build) runs it as a test: every input file of the folders or
// files given, then -runs=N inputs made from them by a mutation with a fixed
// seed (bytes changed, put in, taken out; inputs cut and joined), the same
// on every run. A fault ends the program as under the fuzzer (a trap, a
// sanitizer report).
//   replay [-runs=N] [-seed=S] CORPUS...

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

using Input = std::vector<uint8_t>;

void Read(const std::filesystem::path& path, std::vector<Input>& inputs) {
    std::ifstream file(path, std::ios::binary);
    inputs.emplace_back(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

Input Mutate(const std::vector<Input>& seeds, std::mt19937& random) {
    const auto pick = [&](size_t n) {
        return n == 0 ? 0 : std::uniform_int_distribution<size_t>(0, n - 1)(random);
    };
    Input input = seeds.empty() ? Input{} : seeds[pick(seeds.size())];
    const int changes = 1 + static_cast<int>(pick(8));
    for (int n = 0; n < changes; ++n) {
        switch (pick(6)) {
        case 0: // a byte changed
            if (!input.empty())
                input[pick(input.size())] = static_cast<uint8_t>(random());
            break;
        case 1: // a bit flipped
            if (!input.empty())
                input[pick(input.size())] ^= static_cast<uint8_t>(1u << pick(8));
            break;
        case 2: // bytes put in
            input.insert(input.begin() + static_cast<long>(pick(input.size() + 1)), 1 + pick(16),
                         static_cast<uint8_t>(random()));
            break;
        case 3: // bytes taken out
            if (!input.empty()) {
                const size_t at = pick(input.size());
                input.erase(input.begin() + static_cast<long>(at),
                            input.begin() +
                                static_cast<long>(std::min(input.size(), at + 1 + pick(16))));
            }
            break;
        case 4: // cut short
            input.resize(pick(input.size() + 1));
            break;
        default: // another seed's tail joined on
            if (!seeds.empty()) {
                const Input& other = seeds[pick(seeds.size())];
                input.insert(input.end(), other.begin() + static_cast<long>(pick(other.size() + 1)),
                             other.end());
            }
            break;
        }
    }
    return input;
}

} // namespace

int main(int argc, char** argv) {
    long runs = 0;
    unsigned seed = 17;
    std::vector<Input> seeds;
    for (int n = 1; n < argc; ++n) {
        const std::string arg = argv[n];
        if (arg.rfind("-runs=", 0) == 0) {
            runs = std::strtol(arg.c_str() + 6, nullptr, 10);
        } else if (arg.rfind("-seed=", 0) == 0) {
            seed = static_cast<unsigned>(std::strtoul(arg.c_str() + 6, nullptr, 10));
        } else if (std::filesystem::is_directory(arg)) {
            std::vector<std::filesystem::path> files;
            for (const auto& entry : std::filesystem::directory_iterator(arg))
                if (entry.is_regular_file())
                    files.push_back(entry.path());
            std::sort(files.begin(), files.end());
            for (const auto& file : files)
                Read(file, seeds);
        } else if (std::filesystem::is_regular_file(arg)) {
            Read(arg, seeds);
        } else {
            std::fprintf(stderr, "replay: %s is neither an input nor a folder of inputs\n",
                         argv[n]);
            return 2;
        }
    }
    for (const Input& input : seeds)
        LLVMFuzzerTestOneInput(input.data(), input.size());
    std::mt19937 random(seed);
    for (long n = 0; n < runs; ++n) {
        const Input input = Mutate(seeds, random);
        LLVMFuzzerTestOneInput(input.data(), input.size());
    }
    std::printf("replay: %zu corpus inputs, %ld made from them (seed %u)\n", seeds.size(), runs,
                seed);
    return 0;
}
