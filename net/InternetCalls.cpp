#include "net/InternetCalls.h"

#include "memory/MemoryPH.h"
#include "net/NetHandles.h"

#include <initializer_list>

// What the caller and the thread share. The caller writes the inputs of a call before it
// signals callReady and reads the results only after callDone; the thread does the reverse, so
// the two events order every access and no field needs a lock.
struct InternetCalls::Shared {
    explicit Shared(DWORD silenceLimit)
        : silenceLimit(silenceLimit), callReady(CreateEventW(nullptr, FALSE, FALSE, nullptr)),
          callDone(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}

    bool Make() noexcept;
    bool OpenUrl() noexcept;
    bool Receive() noexcept;

    LONG references = 2;
    const DWORD silenceLimit;
    MKernelHandle callReady;
    MKernelHandle callDone;

    // Inputs.
    Call call = Call::openUrl;
    bool callerGone = false;
    MStringEx<wchar_t> agent;
    MStringEx<wchar_t> address;
    MStringEx<wchar_t> headerBlock;
    DWORD flags = 0;

    // Results.
    bool succeeded = false;
    MemoryPH<unsigned char, 0> received;

    // Used by the thread, and by the caller only while the thread is idle.
    MInternetHandle internet;
    MInternetHandle request;
};

bool InternetCalls::Shared::Make() noexcept {
    switch (call) {
    case Call::openUrl:
        return OpenUrl();
    case Call::receive:
        return Receive();
    }
    return false;
}

bool InternetCalls::Shared::OpenUrl() noexcept {
    internet = InternetOpenW(agent.data, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    if (!internet.IsValid()) {
        return false;
    }
    // Where the platform honours them they end a silent call by themselves; the caller's bound
    // does not depend on them, so a refusal is no failure.
    for (const DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
                               INTERNET_OPTION_RECEIVE_TIMEOUT}) {
        DWORD timeout = silenceLimit;
        InternetSetOptionW(internet.Get(), option, &timeout, sizeof(timeout));
    }
    request = InternetOpenUrlW(internet.Get(), address.data, headerBlock.data,
                               headerBlock.Length().Value(), flags, 0);
    return request.IsValid();
}

bool InternetCalls::Shared::Receive() noexcept {
    try {
        DWORD available = 0;
        if (!InternetQueryDataAvailable(request.Get(), &available, 0, 0)) {
            return false;
        }
        received.SetCount(MUnits(available));
        DWORD read = 0;
        return InternetReadFile(request.Get(), received.data, available, &read) &&
               read == available;
    } catch (...) {
        // The buffer could not be had.
        return false;
    }
}

InternetCalls::InternetCalls(DWORD silenceLimit, HANDLE stopEvent)
    : silenceLimit(silenceLimit), stopEvent(stopEvent), shared(new Shared(silenceLimit)),
      pending(false) {
    if (shared->callReady.IsValid() && shared->callDone.IsValid()) {
        thread = CreateThread(nullptr, 0, Serve, shared, 0, nullptr);
    }
    if (!thread.IsValid()) {
        delete shared;
        shared = nullptr;
    }
}

InternetCalls::~InternetCalls() {
    if (shared == nullptr) {
        return;
    }
    shared->callerGone = true;
    SetEvent(shared->callReady.Get());
    if (!pending) {
        // The idle thread closes the handles at once; the transfer returns after that.
        WaitForSingleObject(thread.Get(), silenceLimit);
    }
    Release(shared);
}

// The caller always either asks for a call or lets go, in its destructor also when an exception
// passes, so the wait for the next call ends when the caller does.
DWORD WINAPI InternetCalls::Serve(LPVOID parameter) {
    Shared* shared = static_cast<Shared*>(parameter);
    while (WaitForSingleObject(shared->callReady.Get(), INFINITE) == WAIT_OBJECT_0 &&
           !shared->callerGone) {
        shared->succeeded = shared->Make();
        SetEvent(shared->callDone.Get());
    }
    shared->request.Close();
    shared->internet.Close();
    Release(shared);
    return 0;
}

void InternetCalls::Release(Shared* shared) {
    if (InterlockedDecrement(&shared->references) == 0) {
        delete shared;
    }
}

bool InternetCalls::Make(Call call) {
    if (shared == nullptr || pending) {
        return false;
    }
    shared->call = call;
    SetEvent(shared->callReady.Get());
    const HANDLE events[] = {stopEvent, shared->callDone.Get()};
    if (WaitForMultipleObjects(2, events, FALSE, silenceLimit) == WAIT_OBJECT_0 + 1) {
        return shared->succeeded;
    }
    // Stopped, silent for too long, or the wait failed: the platform call is the thread's now.
    pending = true;
    return false;
}

bool InternetCalls::OpenUrl(const MStringEx<wchar_t>& agent, const MStringEx<wchar_t>& address,
                            const MStringEx<wchar_t>& headerBlock, DWORD flags) {
    if (shared == nullptr || pending || shared->internet.IsValid()) {
        return false;
    }
    shared->agent = agent;
    shared->address = address;
    shared->headerBlock = headerBlock;
    shared->flags = flags;
    return Make(Call::openUrl);
}

HINTERNET InternetCalls::Request() const {
    return shared != nullptr && !pending ? shared->request.Get() : nullptr;
}

bool InternetCalls::Receive() {
    return Request() != nullptr && Make(Call::receive);
}

const MAtom<unsigned char>& InternetCalls::Received() const {
    return shared->received;
}

void InternetCalls::ReleaseReceived() {
    if (shared != nullptr && !pending) {
        shared->received.Clear();
    }
}
