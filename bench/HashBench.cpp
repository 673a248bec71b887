// One verification hash as the program computes it, measured: HashFile over a file with an
// observer that never pauses. hash-bench.py runs it and compares it with sha1sum.
//
//   hash_bench FILE
//
// prints one line: the seconds HashFile took, the number of notifications and the digest in
// hexadecimal. The key container it uses is its own and is deleted afterwards.
#include "bench/Clock.h"
#include "crypt/MAAuthenticator.h"
#include "memory/MOwnedHandle.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <string>

namespace {

class CountingObserver : public MObserver {
public:
    bool Notify(std::uint64_t, std::uint64_t, std::uint64_t) override {
        ++notifications;
        return true;
    }

    std::uint64_t notifications = 0;
};

const wchar_t enhancedProvider[] = L"Microsoft Enhanced Cryptographic Provider v1.0";

// The bench's key container, deleted when the run ends.
class BenchContainer {
public:
    BenchContainer()
        : name(L"Tornquill hash bench " + std::to_wstring(GetCurrentProcessId()) + L" " +
               std::to_wstring(GetTickCount())) {}
    ~BenchContainer() {
        HCRYPTPROV deleted = 0;
        CryptAcquireContextW(&deleted, name.c_str(), enhancedProvider, PROV_RSA_FULL,
                             CRYPT_MACHINE_KEYSET | CRYPT_DELETEKEYSET);
    }
    BenchContainer(const BenchContainer&) = delete;
    BenchContainer& operator=(const BenchContainer&) = delete;

    const std::wstring name;
};

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: hash_bench FILE\n");
        return 2;
    }
    const MKernelHandle file(CreateFileW(argv[1], GENERIC_READ, FILE_SHARE_READ, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid()) {
        std::fprintf(stderr, "cannot open the file: %lu\n", GetLastError());
        return 1;
    }
    const BenchContainer container;
    try {
        const MAAuthenticator authenticator(container.name.c_str(), MAsymmetric::KeyLength(),
                                            MAAuthenticator::MAAuthAlgHash(CALG_SHA1));
        MemoryPH<unsigned char, 0> digest;
        CountingObserver observer;
        const double start = Now();
        authenticator.HashFile(file.Get(), digest, observer);
        const double seconds = Now() - start;
        std::printf("%.6f %llu ", seconds, static_cast<unsigned long long>(observer.notifications));
        for (std::uint32_t i = 0; i < digest.count.Value(); ++i) {
            std::printf("%02x", digest.data[i]);
        }
        std::printf("\n");
    } catch (const MCryptException& e) {
        std::fprintf(stderr, "MCryptException %d, error 0x%lx\n", e.code, e.win32Error);
        return 1;
    }
    return 0;
}
