// SPDX-License-Identifier: Apache-2.0
// RasterInput: telling the end of a raster stream from a damaged header.
//
// libcups reads a page header from the input in one request for the whole
// header whenever it holds no buffered input. When it does hold some (a
// compressed stream is read ahead in large blocks), it takes the buffered
// bytes first and asks the input only for the rest, or for a new block. So
// the stream has ended cleanly, exactly at a page boundary, when the first
// request of the failed header read asks for a whole header and meets the
// end of the input. Every other failure is a damaged page header: bytes of
// it came from the buffer or the input before the end (a header cut short,
// trailing bytes), it was read whole and refused (damaged fields), or the
// input could not be read.
#include "filter/RasterInput.h"

#include <cerrno>

#include <poll.h>
#include <time.h>
#include <unistd.h>

RasterInput::RasterInput(int fd, const volatile sig_atomic_t* canceled)
    : fd_(fd),
      canceled_(canceled)
{
    raster_ = cupsRasterOpenIO(Read, this, CUPS_RASTER_READ);
}

RasterInput::~RasterInput()
{
    if (raster_ != nullptr)
        cupsRasterClose(raster_);
}

ssize_t RasterInput::Read(void* context, unsigned char* buffer, size_t length)
{
    RasterInput& input = *static_cast<RasterInput*>(context);
    ssize_t got;
    for (;;) {
        if (!input.WaitForInput()) {
            errno = ECANCELED;
            got = -1;
            break;
        }
        got = read(input.fd_, buffer, length);
        if (got >= 0 || (errno != EINTR && errno != EAGAIN))
            break;
    }
    if (got > 0)
        input.emptyInput_ = false;
    if (input.awaitingFirstRead_) {
        input.awaitingFirstRead_ = false;
        input.firstRequest_ = length;
        input.firstResult_ = got;
    }
    return got;
}

// How long input may pause once the job is cancelled: the page being read
// is finished while its data keeps coming, a stalled input ends the job.
constexpr time_t kCancelGraceSeconds = 1;

// SIGTERM is blocked between the look at the cancel flag and the wait, and
// let through only inside ppoll(), so a cancel that comes at any moment
// either is seen by the look or ends the unbounded wait.
bool RasterInput::WaitForInput() const
{
    if (canceled_ == nullptr)
        return true;
    sigset_t term, previous;
    sigemptyset(&term);
    sigaddset(&term, SIGTERM);
    sigprocmask(SIG_BLOCK, &term, &previous);
    sigset_t waiting = previous;
    sigdelset(&waiting, SIGTERM);
    bool ready = true;
    for (;;) {
        pollfd input{fd_, POLLIN, 0};
        timespec grace{kCancelGraceSeconds, 0};
        const int result = ppoll(&input, 1, *canceled_ ? &grace : nullptr, &waiting);
        if (result == 0) {
            ready = false;
            break;
        }
        // Input, an end or an error of the descriptor: the read tells which.
        if (result > 0 || errno != EINTR)
            break;
    }
    sigprocmask(SIG_SETMASK, &previous, nullptr);
    return ready;
}

RasterInput::Header RasterInput::ReadHeader(cups_page_header2_t& header)
{
    if (raster_ == nullptr)
        return emptyInput_ ? Header::End : Header::NotRaster;

    // The first header follows the sync word, which libcups reads unbuffered:
    // its first request is the size of a whole header.
    awaitingFirstRead_ = true;
    firstRequest_ = 0;
    firstResult_ = -1;
    const bool gotHeader = cupsRasterReadHeader2(raster_, &header) != 0;
    const bool firstHeader = headerRequest_ == 0;
    if (firstHeader && !awaitingFirstRead_)
        headerRequest_ = firstRequest_;
    awaitingFirstRead_ = false;
    if (gotHeader)
        return Header::Page;

    const bool endAtBoundary =
        headerRequest_ != 0 && firstRequest_ == headerRequest_ && firstResult_ == 0;
    return endAtBoundary ? Header::End : Header::Damaged;
}
