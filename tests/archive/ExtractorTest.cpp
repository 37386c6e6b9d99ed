#include "package/archive/Extractor.h"
#include "package/archive/posix/PosixFiles.h"
#include "tests/archive/ZipBuilder.h"

#include <gtest/gtest.h>

#include <random>

namespace archive {
namespace {

namespace fs = std::filesystem;
using test::TestEntry;
using test::utf8;

struct Extraction {
    ExtractResult result;
    std::map<std::string, std::string> tree;
};

Extraction extract(const std::string& zip, const fs::path& out, const ExtractLimits& limits = {},
                   unsigned workers = 1) {
    std::string error;
    auto tree = PosixOutputTree::open(out.string(), error);
    if (!tree) return {{ExtractStatus::CannotOpen, error}, {}};
    test::MemorySource source(zip);
    auto result = extractArchive(source, *tree, limits, workers);
    return {std::move(result), test::snapshot(out)};
}

bool hasTemporaryFile(const std::map<std::string, std::string>& tree) {
    for (const auto& [name, data] : tree)
        if (name.find(".drvunzip-") != std::string::npos) return true;
    return false;
}

std::string noise(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string data(size, '\0');
    for (auto& c : data) c = static_cast<char>(random() % 7 == 0 ? random() : 'a' + random() % 4);
    return data;
}

TEST(Extractor, WritesEveryKindOfEntryAFriendlyArchiverMakes) {
    const std::string big = noise(700 * 1024, 1);  // spans several read and inflate chunks
    std::vector<TestEntry> entries{
        {.name = "Ticket/", .data = "", .method = 0, .externalAttributes = 040755u << 16},
        {.name = "Ticket/x86/stored.gpd", .data = "*GPDFileVersion: \"1.0\"\n", .method = 0},
        {.name = "Ticket/x86/big.dll", .data = big},
        {.name = "Ticket/x64/zip64.dll", .data = noise(5000, 2), .zip64 = true},
        {.name = "Barcode/Common/later.dat", .data = noise(3000, 3), .descriptor = true},
        {.name = "Barcode/x64/later64.dat", .data = noise(3000, 4), .zip64 = true, .descriptor = true},
        {.name = "Barcode/empty.txt", .data = ""},
        {.name = "\xC7\xFD\xB6\xAF.cfg", .data = "gbk", .madeBy = 0x0014, .externalAttributes = 0x20},
        {.name = utf8(u8"标签/说明.txt"), .data = "utf8", .flags = 0x0800},
        {.name = "stale-name.txt", .data = "field", .unicodePath = utf8(u8"字段.txt")},
    };
    const std::map<std::string, std::string> expected{
        {"Ticket", "<dir>"},
        {"Ticket/x86", "<dir>"},
        {"Ticket/x86/stored.gpd", entries[1].data},
        {"Ticket/x86/big.dll", big},
        {"Ticket/x64", "<dir>"},
        {"Ticket/x64/zip64.dll", entries[3].data},
        {"Barcode", "<dir>"},
        {"Barcode/Common", "<dir>"},
        {"Barcode/Common/later.dat", entries[4].data},
        {"Barcode/x64", "<dir>"},
        {"Barcode/x64/later64.dat", entries[5].data},
        {"Barcode/empty.txt", ""},
        {utf8(u8"驱动.cfg"), "gbk"},
        {utf8(u8"标签"), "<dir>"},
        {utf8(u8"标签/说明.txt"), "utf8"},
        {utf8(u8"字段.txt"), "field"},
    };
    for (bool zip64End : {false, true}) {
        test::TempDir out;
        const auto run = extract(test::buildZip(entries, zip64End), out.path());
        EXPECT_EQ(run.result.status, ExtractStatus::Ok) << run.result.message;
        EXPECT_EQ(run.tree, expected);
    }
}

// A damaged entry is found while it is written: it must never appear under its final name,
// must not replace the file already there, and leaves no temporary file behind.
TEST(Extractor, DamagedEntryLeavesNoPartialFile) {
    const std::string data = noise(400 * 1024, 5);
    const std::string packed = test::buildZip({{.name = "x", .data = data}});
    const std::string stream = packed.substr(30 + 1, packed.find("PK\x01\x02") - 31);
    struct Fault {
        const char* what;
        TestEntry entry;
    };
    const std::vector<Fault> faults{
        {"bad CRC", {.crc = 0x12345678}},
        {"local and central checksums differ", {.localCrc = 0x12345678}},
        {"declared size smaller than the data", {.declaredSize = 1000}},
        {"declared size larger than the data", {.declaredSize = data.size() + 1}},
        {"truncated deflate stream", {.compressed = stream.substr(0, stream.size() / 2)}},
        {"garbage deflate stream", {.compressed = std::string(5000, '\xFF')}},
        {"data after the deflate stream", {.compressed = stream + "tail"}},
        {"stored sizes disagree", {.method = 0, .declaredSize = data.size() - 1}},
    };
    for (auto fault : faults) {
        SCOPED_TRACE(fault.what);
        fault.entry.name = "Ticket/bad.dll";
        fault.entry.data = data;
        test::TempDir out;
        test::writeFile(out.path() / "Ticket/bad.dll", "old");
        const auto run = extract(test::buildZip({{.name = "Ticket/first.txt", .data = "ok"}, fault.entry}), out.path());
        EXPECT_EQ(run.result.status, ExtractStatus::Damaged) << run.result.message;
        EXPECT_EQ(run.tree.at("Ticket/bad.dll"), "old");
        EXPECT_FALSE(hasTemporaryFile(run.tree));
        // What was committed before the damage (if it was found only while writing) is
        // reported, so that it can be removed again.
        const auto written = run.tree.count("Ticket/first.txt") ? std::vector<std::string>{"Ticket/first.txt"}
                                                                 : std::vector<std::string>{};
        EXPECT_EQ(run.result.written, written);
    }
}

// Writers on several threads share the output folder: the same tree comes out as with one,
// folders made by two writers at once included, and a damaged entry is reported as the first
// in archive order whichever writer meets it, with no partial file left.
TEST(Extractor, SeveralWritersWriteTheSameTreeAndReportTheFirstDamage) {
    std::vector<TestEntry> entries;
    std::map<std::string, std::string> expected;
    std::mt19937 random(7);
    for (int i = 0; i < 240; ++i) {
        const std::string folder = "Barcode/m" + std::to_string(i % 12);
        const std::string name = folder + "/f" + std::to_string(i) + ".dat";
        const auto method = static_cast<std::uint16_t>(i % 5 == 0 ? 0 : 8);
        entries.push_back({.name = name, .data = noise(random() % 20000, static_cast<unsigned>(i)), .method = method});
        expected[name] = entries.back().data;
        expected["Barcode"] = expected[folder] = "<dir>";
    }
    entries.push_back({.name = "Barcode/firmware.bin", .data = noise(900 * 1024, 99)});
    expected["Barcode/firmware.bin"] = entries.back().data;
    const std::string zip = test::buildZip(entries);
    for (unsigned workers : {1u, 2u, 4u}) {
        SCOPED_TRACE(workers);
        test::TempDir out;
        const auto run = extract(zip, out.path(), {}, workers);
        EXPECT_EQ(run.result.status, ExtractStatus::Ok) << run.result.message;
        EXPECT_EQ(run.result.files, entries.size());
        EXPECT_EQ(run.tree, expected);
        std::vector<std::string> names;
        for (const auto& entry : entries) names.push_back(entry.name);
        EXPECT_EQ(run.result.written, names) << "every file, in archive order, whichever writer wrote it";
    }

    entries[60].crc = 0x12345678;
    entries[200].crc = 0x12345678;
    const std::string damaged = test::buildZip(entries);
    for (unsigned workers : {2u, 4u}) {
        SCOPED_TRACE(workers);
        test::TempDir out;
        const auto run = extract(damaged, out.path(), {}, workers);
        EXPECT_EQ(run.result.status, ExtractStatus::Damaged);
        EXPECT_NE(run.result.message.find(entries[60].name), std::string::npos) << run.result.message;
        EXPECT_EQ(run.tree.count(entries[60].name), 0u);
        EXPECT_EQ(run.tree.count(entries[200].name), 0u);
        EXPECT_FALSE(hasTemporaryFile(run.tree));
        for (std::size_t i = 0; i < 60; ++i) EXPECT_EQ(run.tree.at(entries[i].name), entries[i].data);
        // Other writers may have committed entries after the damaged one: all are reported.
        std::vector<std::string> committed;
        for (const auto& entry : entries)
            if (run.tree.count(entry.name)) committed.push_back(entry.name);
        EXPECT_EQ(run.result.written, committed);
    }
}

// Entries that write the same file, or a file where another needs a folder, leave what one
// writer leaves however many there are: the last entry of a name wins, and a file in the way
// of a later entry's folder fails that later entry. The first entry of each pair is the slow
// one, so a writer that took the second would finish first.
TEST(Extractor, SeveralWritersKeepArchiveOrderBetweenEntriesOfOnePath) {
    const std::string slow = noise(900 * 1024, 11);
    const std::vector<std::vector<TestEntry>> archives{
        {{.name = "DriverName.cfg", .data = slow}, {.name = "DriverName.cfg", .data = "last"}},
        {{.name = "Ticket", .data = slow}, {.name = "Ticket/x86/TRG101.GPD", .data = "later"}},
    };
    for (const auto& entries : archives) {
        SCOPED_TRACE(entries.back().name);
        const std::string zip = test::buildZip(entries);
        test::TempDir alone;
        const auto one = extract(zip, alone.path(), {}, 1);
        for (unsigned workers : {2u, 4u}) {
            SCOPED_TRACE(workers);
            test::TempDir out;
            const auto several = extract(zip, out.path(), {}, workers);
            EXPECT_EQ(several.result.status, one.result.status) << several.result.message;
            EXPECT_EQ(several.result.message, one.result.message);
            EXPECT_EQ(several.tree, one.tree);
        }
    }
}

// Whatever single byte is damaged, the run either fails without leaving a temporary file or
// writes exactly the archive's files: never a wrong file under a right name, nor a crash.
TEST(Extractor, AnyDamagedByteFailsCleanlyOrChangesNothingThatMatters) {
    const std::vector<TestEntry> entries{{.name = "a/one.txt", .data = noise(300, 6)},
                                         {.name = "two.bin", .data = noise(200, 7), .method = 0, .descriptor = true}};
    const std::string good = test::buildZip(entries);
    test::TempDir reference;
    const auto expected = extract(good, reference.path()).tree;
    for (std::size_t at = 0; at < good.size(); ++at) {
        std::string bad = good;
        bad[at] = static_cast<char>(bad[at] ^ 0x5A);
        test::TempDir out;
        const auto run = extract(bad, out.path());
        if (run.result.status == ExtractStatus::Ok) {
            EXPECT_EQ(run.tree, expected) << "byte " << at;
        } else {
            EXPECT_FALSE(hasTemporaryFile(run.tree)) << "byte " << at;
            for (const auto& [name, data] : run.tree)
                EXPECT_EQ(data, expected.at(name)) << "byte " << at << ": " << name;
        }
    }
}

// A hostile entry anywhere refuses the whole archive before anything is written.
TEST(Extractor, HostileEntryRefusesTheArchiveBeforeAnyWrite) {
    const std::vector<TestEntry> hostile{
        {.name = "../escape.txt", .data = "x"},
        {.name = "Ticket/../../escape.txt", .data = "x"},
        {.name = "C:\\Windows\\evil.dll", .data = "x"},
        {.name = "/tmp/evil", .data = "x"},
        {.name = "Ticket/CON.gpd", .data = "x"},
        {.name = "link", .data = "/etc/passwd", .externalAttributes = 0120777u << 16},
        {.name = "fifo", .data = "", .externalAttributes = 010644u << 16},
        {.name = "junction", .data = "x", .madeBy = 0x0A14, .externalAttributes = 0x410},
        {.name = "secret.txt", .data = "x", .flags = 0x0001},
        {.name = "bzip2.txt", .data = "x", .method = 12, .compressed = "x"},
        {.name = "\x81\x20.txt", .data = "x", .madeBy = 0x0014},  // not code page 936
    };
    for (const auto& entry : hostile) {
        SCOPED_TRACE(entry.name);
        test::TempDir out;
        const auto run = extract(test::buildZip({{.name = "Ticket/first.txt", .data = "ok"}, entry}), out.path());
        EXPECT_EQ(run.result.status, ExtractStatus::Refused) << run.result.message;
        EXPECT_TRUE(run.tree.empty());
    }
}

TEST(Extractor, ZipBombBounds) {
    test::TempDir out;
    // 20 MiB of zeros deflate to about 20 KiB: above the 16 MiB floor, a ratio over 256.
    const auto single = extract(test::buildZip({{.name = "zeros", .data = std::string(20 << 20, '\0')}}), out.path());
    EXPECT_EQ(single.result.status, ExtractStatus::Refused) << single.result.message;

    // Many entries each under the per-entry bound, together over the archive's bound.
    ExtractLimits small;
    small.totalFloor = 1 << 20;
    std::vector<TestEntry> many;
    for (int i = 0; i < 3; ++i) many.push_back({.name = "zeros" + std::to_string(i), .data = std::string(600 << 10, '\0')});
    const auto total = extract(test::buildZip(many), out.path(), small);
    EXPECT_EQ(total.result.status, ExtractStatus::Refused) << total.result.message;

    // Two central entries sharing one compressed body would each count it again.
    const auto overlap = extract(
        test::buildZip({{.name = "same", .data = noise(1000, 8)}, {.name = "same", .data = noise(1000, 8), .sameDataAs = 0}}),
        out.path());
    EXPECT_EQ(overlap.result.status, ExtractStatus::Refused) << overlap.result.message;

    // A size that lies low is caught while inflating, before more than it is written.
    const auto lying = extract(test::buildZip({{.name = "liar", .data = std::string(1 << 20, 'a'), .declaredSize = 10}}),
                               out.path());
    EXPECT_EQ(lying.result.status, ExtractStatus::Damaged) << lying.result.message;
    EXPECT_NE(lying.result.message.find("more data than its declared size"), std::string::npos) << lying.result.message;
    EXPECT_TRUE(test::snapshot(out.path()).empty());
}

// Links already on disk below the output folder are never followed: a planted folder link
// stops the run, a planted file link is replaced by the file.
TEST(Extractor, NeverWritesThroughLinksOnDisk) {
    test::TempDir outside;
    test::TempDir out;
    fs::create_directory_symlink(outside.path(), out.path() / "Ticket");
    const auto folder = extract(test::buildZip({{.name = "Ticket/x86/unidrv.dll", .data = "payload"}}), out.path());
    EXPECT_EQ(folder.result.status, ExtractStatus::WriteFailed) << folder.result.message;
    EXPECT_TRUE(test::snapshot(outside.path()).empty());

    test::writeFile(outside.path() / "target.cfg", "untouched");
    fs::create_symlink(outside.path() / "target.cfg", out.path() / "DriverName.cfg");
    const auto file = extract(test::buildZip({{.name = "DriverName.cfg", .data = "payload"}}), out.path());
    EXPECT_EQ(file.result.status, ExtractStatus::Ok) << file.result.message;
    EXPECT_EQ(test::readFile(outside.path() / "target.cfg"), "untouched");
    EXPECT_FALSE(fs::is_symlink(out.path() / "DriverName.cfg"));
    EXPECT_EQ(test::readFile(out.path() / "DriverName.cfg"), "payload");
}

}  // namespace
}  // namespace archive
