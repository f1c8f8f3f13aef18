#pragma once

#include <csignal>
#include <sys/resource.h>

// While it lives, a write past `bytes` in any file fails as on a full disk
// (RLIMIT_FSIZE, with SIGXFSZ ignored); 0 changes nothing.
class FileSizeLimit {
public:
    explicit FileSizeLimit(long bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &m_saved);
        rlimit limit = m_saved;
        if (bytes)
            limit.rlim_cur = rlim_t(bytes);
        m_signal = ::signal(SIGXFSZ, SIG_IGN);
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_saved);
        ::signal(SIGXFSZ, m_signal);
    }

private:
    rlimit m_saved{};
    void (*m_signal)(int) = nullptr;
};
