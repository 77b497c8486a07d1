// SPDX-License-Identifier: Apache-2.0
// JobOutput: document framing around the pages of a job, and its copies.
#include "filter/JobOutput.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include <unistd.h>

#include "page/PageEncoder.h"

namespace {

// Opens an unnamed temporary file for the copies, in the job's temporary
// folder (TMPDIR, which the scheduler gives every filter) or /tmp.
FILE* OpenCopyStore()
{
    const char* folder = std::getenv("TMPDIR");
    std::string path = std::string(folder != nullptr && *folder != '\0' ? folder : "/tmp") +
                       "/ridevedudaruzo-copies-XXXXXX";
    const int fd = mkstemp(path.data());
    if (fd < 0)
        return nullptr;
    unlink(path.c_str());
    FILE* store = fdopen(fd, "w+b");
    if (store == nullptr)
        close(fd);
    return store;
}

// The error number of a failed stream call, EIO when it set none.
int LastError()
{
    return errno != 0 ? errno : EIO;
}

}  // namespace

JobOutput::JobOutput(FILE* data, FILE* messages, int copies, const volatile sig_atomic_t* canceled)
    : data_(data),
      messages_(messages),
      copies_(copies > 1 ? copies : 1),
      canceled_(canceled)
{
}

JobOutput::~JobOutput()
{
    if (copyStore_ != nullptr)
        fclose(copyStore_);
}

bool JobOutput::StartPage(const PageEncoder& encoder, int page)
{
    if (!CloseHeldPage(false))
        return false;
    if (copies_ > 1 && copyStore_ == nullptr && page == 1) {
        copyStore_ = OpenCopyStore();
        if (copyStore_ == nullptr) {
            fprintf(messages_, "ERROR: The job's copies cannot be kept: %s.\n", strerror(errno));
            return false;
        }
    }
    errno = 0;
    for (const PageEncoder::Piece& piece : encoder.StartPieces(page == 1)) {
        if (!Write(piece)) {
            ReportFailure(page, LastError());
            return false;
        }
    }
    openPage_ = page;
    const PageEncoder::Piece pageEnd = encoder.BodyAndPageEnd().back();
    openPageEnd_.assign(pageEnd.data, pageEnd.data + pageEnd.size);
    const std::vector<unsigned char>& documentEnd = encoder.ClosingPiece(false);
    openPageEnd_.insert(openPageEnd_.end(), documentEnd.begin(), documentEnd.end());
    return true;
}

bool JobOutput::SendBodyPart(const PageEncoder& encoder, int page, PageEncoder::Piece part)
{
    if (openPage_ != page && !StartPage(encoder, page))
        return false;
    errno = 0;
    if (!Write(part)) {
        ReportFailure(page, LastError());
        return false;
    }
    return true;
}

bool JobOutput::SendPage(const PageEncoder& encoder, int page)
{
    if (openPage_ != page && !StartPage(encoder, page))
        return false;
    openPage_ = 0;
    errno = 0;
    for (const PageEncoder::Piece& piece : encoder.BodyAndPageEnd()) {
        if (!Write(piece)) {
            ReportFailure(page, LastError());
            return false;
        }
    }
    // A filter that dies before the next page leaves this page printed
    // whole, and the printer is never left inside a bit-image command.
    if (!Flush()) {
        ReportFailure(page, LastError());
        return false;
    }
    heldInner_ = encoder.ClosingPiece(false);
    heldLast_ = encoder.ClosingPiece(true);
    heldPage_ = page;
    return true;
}

bool JobOutput::FinishDocument()
{
    return CloseHeldPage(true) && SendFurtherCopies();
}

bool JobOutput::Abandon(bool report)
{
    if (openPage_ == 0)
        return CloseHeldPage(false, report);
    // Part of a page went out: the page is ended where its body stopped.
    const int page = openPage_;
    openPage_ = 0;
    errno = 0;
    if (!Write(openPageEnd_) || !Flush()) {
        if (report)
            ReportFailure(page, LastError());
        return false;
    }
    return true;
}

bool JobOutput::Write(PageEncoder::Piece bytes)
{
    if (bytes.size == 0)
        return true;
    if (fwrite(bytes.data, 1, bytes.size, data_) != bytes.size)
        return false;
    return copyStore_ == nullptr || fwrite(bytes.data, 1, bytes.size, copyStore_) == bytes.size;
}

bool JobOutput::Flush()
{
    return fflush(data_) == 0;
}

bool JobOutput::CloseHeldPage(bool lastOfDocument, bool report)
{
    if (heldPage_ == 0)
        return true;
    const int page = heldPage_;
    heldPage_ = 0;
    errno = 0;
    if (!Write(lastOfDocument ? heldLast_ : heldInner_) || !Flush()) {
        if (report)
            ReportFailure(page, LastError());
        return false;
    }
    if (copyStore_ != nullptr)
        pageEnds_.push_back(ftell(copyStore_));
    return true;
}

bool JobOutput::SendFurtherCopies()
{
    if (copyStore_ == nullptr)
        return true;
    std::vector<unsigned char> buffer;
    for (int copy = 2; copy <= copies_ && !*canceled_; ++copy) {
        if (fseek(copyStore_, 0, SEEK_SET) != 0) {
            ReportFailure(1, LastError());
            return false;
        }
        long start = 0;
        for (std::size_t index = 0; index < pageEnds_.size(); ++index) {
            const int page = static_cast<int>(index) + 1;
            fprintf(messages_, "PAGE: %d 1\n", page);
            buffer.resize(static_cast<std::size_t>(pageEnds_[index] - start));
            errno = 0;
            if (fread(buffer.data(), 1, buffer.size(), copyStore_) != buffer.size() ||
                fwrite(buffer.data(), 1, buffer.size(), data_) != buffer.size() || !Flush()) {
                ReportFailure(page, LastError());
                return false;
            }
            start = pageEnds_[index];
        }
    }
    return true;
}

void JobOutput::ReportFailure(int page, int error)
{
    fprintf(messages_, "ERROR: Page %d could not be sent to the printer: %s.\n", page,
            strerror(error));
}
