// SPDX-License-Identifier: Apache-2.0
// RasterInput: the CUPS raster stream of a job, read from a file descriptor
// through a read callback that watches the input. libcups answers "no
// header" alike when the stream has ended and when the next page header is
// damaged or cut short; what the callback saw tells the two apart, so a job
// that loses its later pages is not taken for a finished one.
#ifndef RIDEVEDUDARUZO_FILTER_RASTERINPUT_H
#define RIDEVEDUDARUZO_FILTER_RASTERINPUT_H

#include <csignal>
#include <cstddef>

#include <cups/raster.h>
#include <sys/types.h>

class RasterInput {
public:
    // What reading the next page header found.
    enum class Header {
        Page,       // a page header: the page's pixels follow
        End,        // the input ended cleanly, where a page header would start
        Damaged,    // a page header that is damaged, cut short or unreadable
        NotRaster,  // the input does not begin as a CUPS raster stream
    };

    // Opens the raster stream on fd, which stays the caller's to close. fd
    // may be non-blocking. When `canceled` is given and gets set (by the
    // SIGTERM handler), input that then pauses for a second ends as a read
    // error, so a cancel ends any wait for input.
    explicit RasterInput(int fd, const volatile sig_atomic_t* canceled = nullptr);
    // Closes the raster stream.
    ~RasterInput();
    RasterInput(const RasterInput&) = delete;
    RasterInput& operator=(const RasterInput&) = delete;

    // Reads the next page header into header.
    Header ReadHeader(cups_page_header2_t& header);
    // The libcups stream, for reading the pixels of the page just read; null
    // when the input is not a raster stream.
    cups_raster_t* Stream() const { return raster_; }

private:
    // libcups read callback: reads from the descriptor and notes what the
    // first read of each header asked for and got.
    static ssize_t Read(void* context, unsigned char* buffer, size_t length);
    // Waits until fd has input; false when the job is cancelled and no
    // input comes within the grace time.
    bool WaitForInput() const;

    int fd_;
    const volatile sig_atomic_t* canceled_;
    cups_raster_t* raster_ = nullptr;
    // True while nothing at all has been read from the input.
    bool emptyInput_ = true;
    // Bytes libcups asks for when it reads a whole header straight from the
    // input (learned from the first header, read right after the sync word);
    // 0 until then.
    size_t headerRequest_ = 0;
    // The current header read: true until its first callback; that
    // callback's request and result.
    bool awaitingFirstRead_ = false;
    size_t firstRequest_ = 0;
    ssize_t firstResult_ = -1;
};

#endif
