// Runs a fuzz target without libFuzzer: every seed file, then a fixed number of inputs made
// by a seeded generator from the seeds (byte flips, cuts, insertions), so runs repeat exactly.
// Usage: target COUNT [SEED_DIR]

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv)
{
    const long count = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 10000;
    std::vector<std::vector<std::uint8_t>> seeds;
    if (argc > 2 && std::filesystem::is_directory(argv[2])) {
        for (const auto& entry : std::filesystem::directory_iterator(argv[2])) {
            std::ifstream in(entry.path(), std::ios::binary);
            seeds.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
    }
    if (seeds.empty())
        seeds.emplace_back();
    for (const auto& seed : seeds)
        LLVMFuzzerTestOneInput(seed.data(), seed.size());

    constexpr unsigned kSeed = 12345;
    std::mt19937 random(kSeed);
    for (long i = 0; i < count; ++i) {
        std::vector<std::uint8_t> input = seeds[random() % seeds.size()];
        const int edits = 1 + static_cast<int>(random() % 8);
        for (int e = 0; e < edits; ++e) {
            const auto kind = random() % 4;
            if (kind == 0 && !input.empty())
                input[random() % input.size()] = static_cast<std::uint8_t>(random());
            else if (kind == 1 && !input.empty())
                input.resize(random() % input.size());
            else if (kind == 2)
                input.insert(input.begin() + static_cast<long>(input.empty() ? 0 : random() % input.size()),
                             static_cast<std::uint8_t>(random()));
            else
                input.push_back(static_cast<std::uint8_t>(random() % 3 == 0 ? '\r' : random()));
        }
        LLVMFuzzerTestOneInput(input.data(), input.size());
    }
    std::printf("%ld generated inputs (seed %u) and %zu seeds ran clean\n", count, kSeed, seeds.size());
    return 0;
}
