#include "crypt/MAAuthenticator.h"
#include "memory/MOwnedHandle.h"

#include "crypt/CryptTestSupport.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

const std::uint64_t mib = 0x100000;

// The files written by make-hash-data.py and the digests sha1sum gave for them.
class HashData {
public:
    static const HashData& Get() {
        static const HashData data;
        return data;
    }

    // The Unix folder of the data as this Wine session names it.
    std::wstring Path(const std::string& name) const {
        std::wstring path = L"Z:" + std::wstring(folder.begin(), folder.end()) + L"/" +
                            std::wstring(name.begin(), name.end());
        for (wchar_t& ch : path) {
            if (ch == L'/') {
                ch = L'\\';
            }
        }
        return path;
    }

    const std::string& HexDigest(const std::string& name) const { return digests.at(name); }

    Bytes Digest(const std::string& name) const {
        const std::string& hex = HexDigest(name);
        Bytes bytes;
        for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
            bytes.push_back(static_cast<unsigned char>(std::stoul(hex.substr(i, 2), nullptr, 16)));
        }
        return bytes;
    }

private:
    HashData() {
        const char* where = std::getenv("CRYPT_HASH_DATA");
        if (where == nullptr) {
            throw std::runtime_error("CRYPT_HASH_DATA is not set");
        }
        folder = where;
        std::ifstream sums(std::string("Z:") + folder + "/SHA1SUMS");
        std::string line;
        while (std::getline(sums, line)) {
            std::istringstream fields(line);
            std::string hex;
            std::string name;
            fields >> hex >> name;
            digests[name] = hex;
        }
        if (digests.size() != 4) {
            throw std::runtime_error("SHA1SUMS not read");
        }
    }

    std::string folder;
    std::map<std::string, std::string> digests;
};

struct Notification {
    std::uint64_t done;
    std::uint64_t size;
    std::uint64_t block;

    bool operator==(const Notification& other) const {
        return done == other.done && size == other.size && block == other.block;
    }
};

void PrintTo(const Notification& n, std::ostream* out) {
    *out << "(" << n.done << ", " << n.size << ", " << n.block << ")";
}

std::uint64_t PositionOf(HANDLE file) {
    LARGE_INTEGER zero = {};
    LARGE_INTEGER position = {};
    SetFilePointerEx(file, zero, &position, FILE_CURRENT);
    return static_cast<std::uint64_t>(position.QuadPart);
}

void MoveTo(HANDLE file, std::uint64_t position) {
    LARGE_INTEGER to;
    to.QuadPart = static_cast<LONGLONG>(position);
    ASSERT_TRUE(SetFilePointerEx(file, to, nullptr, FILE_BEGIN));
}

// Records every notification with the file's position at that moment; says stop at the call
// numbered stopAt (counted from 1), or throws there.
class RecordingObserver : public MObserver {
public:
    enum class AtStop { Stop, Throw };

    explicit RecordingObserver(HANDLE file, std::size_t stopAt = 0, AtStop atStop = AtStop::Stop)
        : file(file), stopAt(stopAt), atStop(atStop) {}

    bool Notify(std::uint64_t done, std::uint64_t size, std::uint64_t block) override {
        notifications.push_back({done, size, block});
        positions.push_back(PositionOf(file));
        if (notifications.size() != stopAt) {
            return true;
        }
        if (atStop == AtStop::Throw) {
            throw std::runtime_error("observer failed");
        }
        return false;
    }

    std::vector<Notification> notifications;
    std::vector<std::uint64_t> positions;

private:
    HANDLE file;
    std::size_t stopAt;
    AtStop atStop;
};

class HashFileTest : public TempFolder {
protected:
    HashFileTest()
        : authenticator(container.Name(), MAsymmetric::KeyLength(),
                        MAAuthenticator::MAAuthAlgHash(CALG_SHA1)) {}

    static MKernelHandle OpenFile(const std::wstring& path, DWORD access) {
        return MKernelHandle(Open(path, access));
    }

    static Bytes BytesOf(const MAtom<unsigned char>& block) {
        return Bytes(block.data, block.data + block.count.Value());
    }

    static MemoryPH<unsigned char, 0> Filled(std::uint32_t n) {
        MemoryPH<unsigned char, 0> block{MUnits(n)};
        for (std::uint32_t i = 0; i < n; ++i) {
            block.data[i] = static_cast<unsigned char>(i);
        }
        return block;
    }

    UniqueContainer container;
    const MAAuthenticator authenticator;
};

struct FileCase {
    const char* name;
    std::uint64_t startAt;
    std::vector<Notification> notifications;
};

class HashFileOfData : public HashFileTest, public ::testing::WithParamInterface<FileCase> {};

TEST_P(HashFileOfData, GivesSha1sumsDigestAndNotifiesBeforeEveryRead) {
    const FileCase& c = GetParam();
    const MKernelHandle file = OpenFile(HashData::Get().Path(c.name), GENERIC_READ);
    ASSERT_TRUE(file.IsValid());
    MoveTo(file.Get(), c.startAt);

    MemoryPH<unsigned char, 0> digest;
    RecordingObserver observer(file.Get());
    authenticator.HashFile(file.Get(), digest, observer);

    EXPECT_EQ(BytesOf(digest), HashData::Get().Digest(c.name));
    EXPECT_EQ(observer.notifications, c.notifications);
    std::vector<std::uint64_t> readFrom;
    for (const Notification& n : c.notifications) {
        readFrom.push_back(n.done);
    }
    EXPECT_EQ(observer.positions, readFrom) << "each read goes on where the last one ended";
    EXPECT_EQ(PositionOf(file.Get()), c.startAt);
}

INSTANTIATE_TEST_SUITE_P(
    Files, HashFileOfData,
    ::testing::Values(FileCase{"empty.bin", 0, {{0, 0, 0}}},
                      FileCase{"abc.bin", 2, {{0, 3, 3}, {3, 3, 3}}},
                      FileCase{"one-mib.bin", 4096, {{0, mib, mib}, {mib, mib, mib}}},
                      FileCase{"two-and-a-half-mib.bin",
                               5 * mib / 2,
                               {{0, 5 * mib / 2, mib},
                                {mib, 5 * mib / 2, mib},
                                {2 * mib, 5 * mib / 2, mib},
                                {5 * mib / 2, 5 * mib / 2, mib}}}),
    [](const ::testing::TestParamInfo<FileCase>& info) {
        std::string name = info.param.name;
        name = name.substr(0, name.find('.'));
        for (char& ch : name) {
            if (ch == '-') {
                ch = '_';
            }
        }
        return name;
    });

TEST_F(HashFileTest, AStopByTheObserverEmptiesTheDigestAndRestoresThePosition) {
    for (std::size_t stopAt : {1u, 3u}) {
        SCOPED_TRACE(stopAt);
        const MKernelHandle file =
            OpenFile(HashData::Get().Path("two-and-a-half-mib.bin"), GENERIC_READ);
        MoveTo(file.Get(), 12345);
        MemoryPH<unsigned char, 0> digest = Filled(20);
        RecordingObserver observer(file.Get(), stopAt);
        authenticator.HashFile(file.Get(), digest, observer);
        EXPECT_TRUE(digest.IsEmpty());
        EXPECT_EQ(observer.notifications.size(), stopAt);
        EXPECT_EQ(PositionOf(file.Get()), 12345u);
    }
}

TEST_F(HashFileTest, AFileWithoutReadAccessThrowsAndKeepsItsPosition) {
    const std::wstring path = Path(L"write-only.bin");
    {
        const MKernelHandle created(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                                FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        ASSERT_TRUE(WriteFile(created.Get(), "0123456789", 10, &written, nullptr));
    }
    const MKernelHandle file = OpenFile(path, GENERIC_WRITE);
    ASSERT_TRUE(file.IsValid());
    MoveTo(file.Get(), 7);
    MemoryPH<unsigned char, 0> digest;
    RecordingObserver observer(file.Get());
    try {
        authenticator.HashFile(file.Get(), digest, observer);
        ADD_FAILURE() << "no exception";
    } catch (const MCryptException& e) {
        EXPECT_EQ(e.code, 8);
        EXPECT_EQ(e.win32Error, static_cast<DWORD>(ERROR_ACCESS_DENIED));
    }
    EXPECT_EQ(observer.notifications.size(), 1u) << "the first read failed";
    EXPECT_EQ(PositionOf(file.Get()), 7u);
}

TEST_F(HashFileTest, AnExceptionOfTheObserverPassesUnchangedAndThePositionIsRestored) {
    const MKernelHandle file = OpenFile(HashData::Get().Path("one-mib.bin"), GENERIC_READ);
    MoveTo(file.Get(), 99);
    MemoryPH<unsigned char, 0> digest;
    RecordingObserver observer(file.Get(), 2, RecordingObserver::AtStop::Throw);
    EXPECT_THROW(authenticator.HashFile(file.Get(), digest, observer), std::runtime_error);
    EXPECT_EQ(PositionOf(file.Get()), 99u);
}

TEST_F(HashFileTest, AnInvalidHandleThrowsTheSystemError) {
    MemoryPH<unsigned char, 0> digest;
    RecordingObserver observer(INVALID_HANDLE_VALUE);
    try {
        authenticator.HashFile(INVALID_HANDLE_VALUE, digest, observer);
        ADD_FAILURE() << "no exception";
    } catch (const MCryptException& e) {
        EXPECT_EQ(e.code, 8);
        EXPECT_EQ(e.win32Error, static_cast<DWORD>(ERROR_INVALID_HANDLE));
    }
    EXPECT_TRUE(observer.notifications.empty());
}

// The hash code as the transfer hands it over: the header's UTF-16 text, here with a NUL after.
MemoryPH<unsigned char, 0> HeaderValue(const std::wstring& text, bool withNul = true) {
    const std::size_t units = text.size() + (withNul ? 1 : 0);
    MemoryPH<unsigned char, 0> value{MUnits(static_cast<std::uint32_t>(units * 2))};
    if (units != 0) {
        std::memcpy(value.data, text.c_str(), units * 2);
    }
    return value;
}

std::wstring Upper(const std::string& hex) {
    std::wstring text;
    for (char ch : hex) {
        text += static_cast<wchar_t>(ch >= 'a' && ch <= 'f' ? ch - 'a' + 'A' : ch);
    }
    return text;
}

TEST_F(HashFileTest, TheServersCodeInCapitalsMatchesTheDigest) {
    for (const char* name : {"abc.bin", "two-and-a-half-mib.bin"}) {
        SCOPED_TRACE(name);
        const MKernelHandle file = OpenFile(HashData::Get().Path(name), GENERIC_READ);
        MemoryPH<unsigned char, 0> digest;
        RecordingObserver observer(file.Get());
        authenticator.HashFile(file.Get(), digest, observer);
        const std::wstring code = Upper(HashData::Get().HexDigest(name));
        EXPECT_TRUE(digest == MAAuthenticator::DecodeHashCode(HeaderValue(code)));
        EXPECT_TRUE(digest == MAAuthenticator::DecodeHashCode(HeaderValue(code, false)));
        EXPECT_TRUE(digest != MAAuthenticator::DecodeHashCode(HeaderValue(code.substr(0, 38))));
        EXPECT_TRUE(digest != MAAuthenticator::DecodeHashCode(HeaderValue(L"")));
    }
}

TEST(DecodeHashCode, DecodesPairsHighNibbleFirstUpToTheFirstNul) {
    const std::wstring code38 = L"0123456789ABCDEF00FF0123456789ABCDEF00";
    const Bytes expected = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF, 0x00, 0xFF,
                            0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF, 0x00};
    const MemoryPH<unsigned char, 0> decoded = MAAuthenticator::DecodeHashCode(HeaderValue(code38));
    EXPECT_EQ(Bytes(decoded.data, decoded.data + decoded.count.Value()), expected);

    const MemoryPH<unsigned char, 0> cut =
        MAAuthenticator::DecodeHashCode(HeaderValue(std::wstring(L"AB\0zz", 5)));
    EXPECT_EQ(Bytes(cut.data, cut.data + cut.count.Value()), Bytes{0xAB});

    EXPECT_TRUE(MAAuthenticator::DecodeHashCode(HeaderValue(L"", false)).IsEmpty());
}

TEST(DecodeHashCode, AnythingButCapitalHexadecimalDigitsRaises) {
    const std::wstring code = L"A9993E364706816ABA3E25717850C26C9CD0D89D";
    struct Case {
        std::wstring text;
        std::int32_t code;
        DWORD win32Error;
        const char* what;
    };
    const Case cases[] = {
        {L"a9993e364706816aba3e25717850c26c9cd0d89d", 10, 13, "small letters"},
        {code.substr(0, 39), 5, 0, "39 characters"},
        {L" " + code.substr(0, 39), 10, 13, "a leading blank"},
        {code + L"\r\n", 10, 13, "a line break after the code"},
        {code.substr(0, 38) + L"\x00C9" + L"0", 10, 13, "a letter beyond ASCII"},
        {code.substr(0, 38) + L"0G", 10, 13, "a letter beyond F"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        try {
            MAAuthenticator::DecodeHashCode(HeaderValue(c.text));
            ADD_FAILURE() << "no exception";
        } catch (const MAtomException& e) {
            EXPECT_EQ(e.code, c.code);
            EXPECT_EQ(e.win32Error, c.win32Error);
        }
    }
}

// Characters that a conversion to the ANSI code page may turn into hexadecimal digits are no
// more a hash code than any other text: only the sixteen ASCII characters count.
TEST(DecodeHashCode, OnlyAsciiDigitsAndCapitalsAToFAreDigits) {
    const std::wstring code = L"A9993E364706816ABA3E25717850C26C9CD0D89D";
    struct Case {
        std::wstring text;
        std::optional<Bytes> decoded;
        const char* what;
    };
    const Case cases[] = {
        {L"0123456789ABCDEF", Bytes{0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF}, "every digit"},
        {L"F0", Bytes{0xF0}, "the highest letter first"},
        {L"/0", std::nullopt, "the character before 0"},
        {L"9:", std::nullopt, "the character after 9"},
        {L"@0", std::nullopt, "the character before A"},
        {L"0G", std::nullopt, "the character after F"},
        {L"0f", std::nullopt, "a small letter"},
        {L"\xFF21\xFF22\xFF11\xFF12", std::nullopt, "fullwidth AB12"},
        {L"\xFF10\xFF19", std::nullopt, "fullwidth digits"},
        {L"\xFF21\xFF26", std::nullopt, "fullwidth letters"},
        {code.substr(0, 38) + L"\xFF18\xFF19", std::nullopt, "a code ending in fullwidth 89"},
        {L"\x0100\x0106", std::nullopt, "A and C with macron and acute"},
        {L"\x010E\x0112", std::nullopt, "D with caron, E with macron"},
        {L"\x0102\x0118", std::nullopt, "A with breve, E with ogonek"},
        {L"\x00C0\x00C9", std::nullopt, "A with grave, E with acute"},
        {code.substr(0, 38) + L"\x010C\x0110", std::nullopt,
         "a code ending in C with caron, D with stroke"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        try {
            const MemoryPH<unsigned char, 0> decoded =
                MAAuthenticator::DecodeHashCode(HeaderValue(c.text));
            const Bytes bytes(decoded.data, decoded.data + decoded.count.Value());
            if (c.decoded) {
                EXPECT_EQ(*c.decoded, bytes);
            } else {
                ADD_FAILURE() << "decoded as " << ::testing::PrintToString(bytes);
            }
        } catch (const MAtomException& e) {
            EXPECT_FALSE(c.decoded) << "raised " << e.code;
            EXPECT_EQ(10, e.code);
            EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_DATA), e.win32Error);
        }
    }
}

TEST(DecodeHashCode, AValueOfAnOddByteCountRaises) {
    MemoryPH<unsigned char, 0> value = HeaderValue(L"AB", false);
    value.Truncate(3);
    try {
        MAAuthenticator::DecodeHashCode(value);
        ADD_FAILURE() << "no exception";
    } catch (const MUnitException& e) {
        EXPECT_EQ(e.code, 5);
    }
}

} // namespace
