/*
 * Preloaded into 32-bit Wine when it runs under qemu user-mode emulation.
 *
 * qemu leaves the trap number of the signal context at -1 for every CPU fault, and Wine's
 * 32-bit fault handler decides from that number what happened: an access violation arrives as
 * an illegal instruction, a divide by zero as a floating-point error, and a write probe of a
 * read-only page crashes the process. This library wraps sigaction; for the fault signals'
 * SA_SIGINFO handlers it fills the trap number in from the signal and its si_code, as the
 * kernel does natively, before it calls the handler.
 *
 * Built for i386 (the real work) and for x86_64 under the same name, where it does nothing:
 * native 64-bit processes, such as the wineserver, inherit LD_PRELOAD too.
 */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <signal.h>
#include <stddef.h>
#include <ucontext.h>

#if defined(__i386__)

typedef int (*SigactionFunction)(int, const struct sigaction*, struct sigaction*);

/* The handlers the program installed, by signal number. */
static void (*installed[NSIG])(int, siginfo_t*, void*);

enum {
    trapDivide = 0,
    trapDebug = 1,
    trapBreakpoint = 3,
    trapOverflow = 4,
    trapInvalidOpcode = 6,
    trapProtection = 13,
    trapPageFault = 14,
    trapFloat = 16,
    trapAlignment = 17,
};

static int TrapNumber(int signal, int code) {
    switch (signal) {
    case SIGSEGV:
        return code == SEGV_MAPERR || code == SEGV_ACCERR ? trapPageFault : trapProtection;
    case SIGFPE:
        return code == FPE_INTDIV ? trapDivide : code == FPE_INTOVF ? trapOverflow : trapFloat;
    case SIGILL:
        return trapInvalidOpcode;
    case SIGTRAP:
        return code == TRAP_TRACE ? trapDebug : trapBreakpoint;
    case SIGBUS:
        return code == BUS_ADRALN ? trapAlignment : -1;
    default:
        return -1;
    }
}

static void FillTrapNumber(int signal, siginfo_t* info, void* context) {
    ucontext_t* registers = context;
    if (info != NULL && registers != NULL && registers->uc_mcontext.gregs[REG_TRAPNO] == -1) {
        registers->uc_mcontext.gregs[REG_TRAPNO] = TrapNumber(signal, info->si_code);
    }
    installed[signal](signal, info, context);
}

static int IsFaultSignal(int signal) {
    return signal == SIGSEGV || signal == SIGBUS || signal == SIGFPE || signal == SIGILL ||
           signal == SIGTRAP;
}

int sigaction(int signal, const struct sigaction* action, struct sigaction* old) {
    static SigactionFunction next;
    if (next == NULL) {
        next = (SigactionFunction)dlsym(RTLD_NEXT, "sigaction");
        if (next == NULL) {
            return -1;
        }
    }
    if (!IsFaultSignal(signal)) {
        return next(signal, action, old);
    }
    void (*previous)(int, siginfo_t*, void*) = installed[signal];
    int result;
    if (action != NULL && (action->sa_flags & SA_SIGINFO) && action->sa_sigaction != NULL) {
        struct sigaction wrapped = *action;
        installed[signal] = action->sa_sigaction;
        wrapped.sa_sigaction = FillTrapNumber;
        result = next(signal, &wrapped, old);
        if (result != 0) {
            installed[signal] = previous;
        }
    } else {
        result = next(signal, action, old);
    }
    /* The program sees its own handler, not the wrapper. */
    if (result == 0 && old != NULL && (old->sa_flags & SA_SIGINFO) &&
        old->sa_sigaction == FillTrapNumber) {
        old->sa_sigaction = previous;
    }
    return result;
}

#endif
