#include "SecretInput.h"

#include <QStringDecoder>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <optional>
#include <termios.h>
#include <unistd.h>

namespace {

// A password line longer than this is not a password; refusing it bounds memory.
constexpr size_t kMaxLine = 64 * 1024;

// Echo must come back on even when the user interrupts at the prompt.
struct termios gSavedTerminal;
volatile sig_atomic_t gEchoOff = 0;

void restoreEchoAndDie(int sig) {
    if (gEchoOff)
        tcsetattr(STDIN_FILENO, TCSANOW, &gSavedTerminal);
    const ssize_t ignored = ::write(STDERR_FILENO, "\n", 1);
    (void)ignored;
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

class EchoOff {
public:
    EchoOff() {
        if (tcgetattr(STDIN_FILENO, &gSavedTerminal) != 0)
            return;
        for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT})
            std::signal(sig, restoreEchoAndDie);
        struct termios quiet = gSavedTerminal;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        quiet.c_lflag |= ECHONL; // the Enter key still moves to the next line
        gEchoOff = 1;
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    ~EchoOff() {
        if (gEchoOff)
            tcsetattr(STDIN_FILENO, TCSAFLUSH, &gSavedTerminal);
        gEchoOff = 0;
        for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT})
            std::signal(sig, SIG_DFL);
    }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;
};

} // namespace

SecretInput::SecretInput() : terminal_(isatty(STDIN_FILENO) == 1) {}

SecretInput::~SecretInput() {
    if (!buffer_.empty())
        explicit_bzero(buffer_.data(), buffer_.size());
}

bool SecretInput::readMore() {
    if (ended_)
        return false;
    char chunk[4096];
    while (true) {
        const ssize_t n = ::read(STDIN_FILENO, chunk, terminal_ ? 1 : sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ended_ = true; // end of input, or no usable standard input at all
            return false;
        }
        if (buffer_.size() + size_t(n) > buffer_.capacity()) {
            // Grown by hand: a vector growing by itself frees the old buffer, the line so far in it.
            std::vector<char> bigger;
            bigger.reserve(std::max(2 * buffer_.capacity(), buffer_.size() + size_t(n)));
            bigger.assign(buffer_.begin(), buffer_.end());
            if (!buffer_.empty())
                explicit_bzero(buffer_.data(), buffer_.size());
            buffer_.swap(bigger);
        }
        buffer_.insert(buffer_.end(), chunk, chunk + n);
        explicit_bzero(chunk, size_t(n));
        return true;
    }
}

SecretInput::Secret SecretInput::takeLine(size_t length, size_t skip) {
    size_t end = length;
    if (end > 0 && buffer_[end - 1] == '\r')
        --end;
    QStringDecoder decoder(QStringDecoder::Utf8);
    Secret secret;
    secret.text = decoder(QByteArrayView(buffer_.data(), qsizetype(end)));
    secret.status = decoder.hasError() ? Status::NotUtf8 : Status::Ok;
    if (secret.status != Status::Ok)
        wipe(secret.text);
    // Move the rest to the front and wipe what the line used.
    const size_t used = std::min(buffer_.size(), length + skip);
    std::copy(buffer_.begin() + ptrdiff_t(used), buffer_.end(), buffer_.begin());
    const size_t rest = buffer_.size() - used;
    explicit_bzero(buffer_.data() + rest, used);
    buffer_.resize(rest);
    return secret;
}

SecretInput::Secret SecretInput::next(const QString& prompt) {
    std::optional<EchoOff> quiet;
    if (terminal_) {
        std::fputs(prompt.toLocal8Bit().constData(), stderr);
        std::fflush(stderr);
        quiet.emplace();
    }
    size_t scanned = 0;
    while (true) {
        const auto newline = std::find(buffer_.begin() + ptrdiff_t(scanned), buffer_.end(), '\n');
        if (newline != buffer_.end()) {
            const size_t length = size_t(newline - buffer_.begin());
            if (length > kMaxLine)
                return {Status::TooLong, {}};
            return takeLine(length, 1);
        }
        scanned = buffer_.size();
        if (scanned > kMaxLine)
            return {Status::TooLong, {}};
        if (!readMore()) {
            // A last line without a line break still counts; nothing at all is a missing line.
            if (buffer_.empty())
                return {Status::Missing, {}};
            return takeLine(buffer_.size(), 0);
        }
    }
}

QByteArray SecretInput::rest(qint64 limit, bool& tooLarge) {
    while (qint64(buffer_.size()) <= limit && readMore()) {
    }
    tooLarge = qint64(buffer_.size()) > limit;
    QByteArray out = tooLarge ? QByteArray() : QByteArray(buffer_.data(), qsizetype(buffer_.size()));
    explicit_bzero(buffer_.data(), buffer_.size());
    buffer_.clear();
    return out;
}
