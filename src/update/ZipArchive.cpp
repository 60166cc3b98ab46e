#include "ZipArchive.h"

std::atomic<uint32_t> g_zipLastError{0};

namespace {

uint32_t Leave(uint32_t result)
{
    g_zipLastError = result;
    return result;
}

// The handle checks every call by handle makes.
uint32_t CheckHandle(const ZipArchiveHandle* handle)
{
    if (!handle)
        return kZipErrArgument;
    if (handle->kind != kZipHandleReader || !handle->reader)
        return kZipErrKind;
    return kZipOk;
}

} // namespace

void ZipArchiveCloser::operator()(ZipArchiveHandle* handle) const { ZipArchiveClose(handle); }

ZipArchivePtr ZipArchiveOpen(const std::string& path, const std::string& root)
{
    auto reader = std::make_unique<ZipReader>();
    const uint32_t rc = ZipReaderOpen(*reader, path, root);
    Leave(rc);
    if (rc != kZipOk)
        return ZipArchivePtr();
    ZipArchivePtr handle(new ZipArchiveHandle);
    handle->kind = kZipHandleReader;
    handle->reader = std::move(reader);
    return handle;
}

uint64_t ZipArchiveSetLimits(ZipArchiveHandle* handle, const ZipUnpackLimits& limits)
{
    if (CheckHandle(handle) != kZipOk)
        return 0;
    return ZipReaderSetLimits(*handle->reader, limits);
}

uint32_t ZipArchiveGetEntry(ZipArchiveHandle* handle, ZipEntryInfo& out, int index)
{
    out.index = 0;
    out.name.clear();
    out.unpackedSize = 0;
    if (const uint32_t rc = CheckHandle(handle); rc != kZipOk)
        return Leave(rc);
    return Leave(ZipReaderGetEntry(*handle->reader, out, index));
}

uint32_t ZipArchiveExtractEntry(ZipArchiveHandle* handle, const std::wstring& targetName, int index)
{
    if (const uint32_t rc = CheckHandle(handle); rc != kZipOk)
        return Leave(rc);
    return Leave(ZipReaderExtractEntry(*handle->reader, targetName, index));
}

uint32_t ZipArchiveClose(ZipArchiveHandle* handle)
{
    if (const uint32_t rc = CheckHandle(handle); rc != kZipOk)
        return Leave(rc);
    ZipReaderFree(std::move(handle->reader));
    delete handle;
    return Leave(kZipOk);
}
