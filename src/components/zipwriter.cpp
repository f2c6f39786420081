#include "zipwriter.h"

#include <isa-l/crc.h>
#include <isa-l/igzip_lib.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

#include <unistd.h>

namespace {

// Compressed bytes gathered before each write to the file.
const std::size_t OutSize = 1 << 18;
// The largest size or offset a zip archive without ZIP64 can hold.
const std::uint64_t ZipLimit = 0xFFFFFFFEu;
// 1980-01-01 00:00, the earliest time a zip member can carry (also the
// time libxlsxwriter gave every member): the same workbook, the same bytes.
const std::uint16_t DosTime = 0;
const std::uint16_t DosDate = (0 << 9) | (1 << 5) | 1;

void le16(std::string *out, std::uint32_t v)
{
    out->push_back(char(v & 0xFF));
    out->push_back(char((v >> 8) & 0xFF));
}

void le32(std::string *out, std::uint32_t v)
{
    le16(out, v & 0xFFFF);
    le16(out, v >> 16);
}

std::string systemReason()
{
    return std::strerror(errno);
}

} // namespace

ZipWriter::ZipWriter(int fd)
    : m_fd(fd)
    , m_stream(std::make_unique<isal_zstream>())
    , m_levelBuffer(ISAL_DEF_LVL1_DEFAULT)
    , m_out(OutSize)
{}

ZipWriter::~ZipWriter() = default;

void ZipWriter::begin(std::string_view name)
{
    if (m_open)
        throw std::logic_error("ZipWriter: a member is still open");
    Member member;
    member.name = std::string(name);
    member.offset = m_offset + m_outUsed;
    // the local header; its checksum and sizes are filled in by end()
    std::string header;
    le32(&header, 0x04034B50);
    le16(&header, 20); // version needed: deflate
    le16(&header, 0);  // flags
    le16(&header, 8);  // deflated
    le16(&header, DosTime);
    le16(&header, DosDate);
    le32(&header, 0); // crc
    le32(&header, 0); // compressed size
    le32(&header, 0); // size
    le16(&header, std::uint32_t(name.size()));
    le16(&header, 0); // no extra field
    header.append(name);
    put(header.data(), header.size());
    m_members.push_back(member);

    isal_deflate_init(m_stream.get());
    m_stream->level = 1;
    m_stream->level_buf = m_levelBuffer.data();
    m_stream->level_buf_size = std::uint32_t(m_levelBuffer.size());
    m_stream->flush = NO_FLUSH;
    m_stream->gzip_flag = IGZIP_DEFLATE; // raw deflate, as zip members are
    m_open = true;
}

void ZipWriter::write(std::string_view data)
{
    if (!m_open)
        throw std::logic_error("ZipWriter: no member open");
    Member &member = m_members.back();
    // the stream counts in 32 bits: large data in pieces
    const std::size_t Piece = std::size_t(1) << 30;
    for (std::size_t at = 0; at < data.size(); at += Piece) {
        const std::size_t n = std::min(Piece, data.size() - at);
        const auto *bytes = reinterpret_cast<const std::uint8_t *>(data.data() + at);
        member.crc = crc32_gzip_refl(member.crc, bytes, std::uint64_t(n));
        member.size += n;
        if (member.size > ZipLimit)
            throw TooLarge("member of 4 GiB or more");
        m_stream->next_in = const_cast<std::uint8_t *>(bytes);
        m_stream->avail_in = std::uint32_t(n);
        deflate(false);
    }
}

void ZipWriter::end()
{
    if (!m_open)
        throw std::logic_error("ZipWriter: no member open");
    m_stream->next_in = nullptr;
    m_stream->avail_in = 0;
    m_stream->end_of_stream = 1;
    deflate(true);
    m_open = false;
    Member &member = m_members.back();
    const std::uint64_t headerSize = 30 + member.name.size();
    member.compressed = m_offset + m_outUsed - member.offset - headerSize;
    if (member.compressed > ZipLimit)
        throw TooLarge("member of 4 GiB or more");
    std::string fields;
    le32(&fields, member.crc);
    le32(&fields, std::uint32_t(member.compressed));
    le32(&fields, std::uint32_t(member.size));
    if (member.offset >= m_offset) {
        // the header is still in the buffer
        std::memcpy(m_out.data() + (member.offset - m_offset) + 14, fields.data(), fields.size());
    } else {
        writeAt(member.offset + 14, fields);
    }
}

void ZipWriter::add(std::string_view name, std::string_view data)
{
    begin(name);
    write(data);
    end();
}

void ZipWriter::finish()
{
    if (m_open)
        throw std::logic_error("ZipWriter: a member is still open");
    const std::uint64_t start = m_offset + m_outUsed;
    std::string directory;
    for (const Member &m : m_members) {
        le32(&directory, 0x02014B50);
        le16(&directory, 20); // made by: MS-DOS attributes, version 2.0
        le16(&directory, 20); // version needed
        le16(&directory, 0);  // flags
        le16(&directory, 8);  // deflated
        le16(&directory, DosTime);
        le16(&directory, DosDate);
        le32(&directory, m.crc);
        le32(&directory, std::uint32_t(m.compressed));
        le32(&directory, std::uint32_t(m.size));
        le16(&directory, std::uint32_t(m.name.size()));
        le16(&directory, 0); // extra field
        le16(&directory, 0); // comment
        le16(&directory, 0); // disk
        le16(&directory, 0); // internal attributes
        le32(&directory, 0); // external attributes
        le32(&directory, std::uint32_t(m.offset));
        directory.append(m.name);
    }
    if (m_members.size() > 0xFFFF || start > ZipLimit || start + directory.size() > ZipLimit)
        throw TooLarge("archive of 4 GiB or more");
    const std::size_t directorySize = directory.size();
    le32(&directory, 0x06054B50);
    le16(&directory, 0); // this disk
    le16(&directory, 0); // the disk of the directory
    le16(&directory, std::uint32_t(m_members.size()));
    le16(&directory, std::uint32_t(m_members.size()));
    le32(&directory, std::uint32_t(directorySize));
    le32(&directory, std::uint32_t(start));
    le16(&directory, 0); // comment
    put(directory.data(), directory.size());
    flush();
}

void ZipWriter::deflate(bool last)
{
    for (;;) {
        m_stream->next_out = m_out.data() + m_outUsed;
        m_stream->avail_out = std::uint32_t(m_out.size() - m_outUsed);
        if (isal_deflate(m_stream.get()) != COMP_OK)
            throw std::logic_error("ZipWriter: igzip refused its settings");
        m_outUsed = m_out.size() - m_stream->avail_out;
        const bool full = m_stream->avail_out == 0;
        if (full)
            flush();
        if (last ? m_stream->internal_state.state == ZSTATE_END : m_stream->avail_in == 0 && !full)
            return;
    }
}

void ZipWriter::put(const void *data, std::size_t size)
{
    const auto *bytes = static_cast<const std::uint8_t *>(data);
    while (size > 0) {
        if (m_outUsed == m_out.size())
            flush();
        const std::size_t n = std::min(size, m_out.size() - m_outUsed);
        std::memcpy(m_out.data() + m_outUsed, bytes, n);
        m_outUsed += n;
        bytes += n;
        size -= n;
    }
}

void ZipWriter::flush()
{
    std::size_t done = 0;
    while (done < m_outUsed) {
        const ssize_t n = ::write(m_fd, m_out.data() + done, m_outUsed - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            throw Error(n < 0 ? systemReason() : std::string("nothing written"));
        done += std::size_t(n);
    }
    m_offset += m_outUsed;
    m_outUsed = 0;
}

void ZipWriter::writeAt(std::uint64_t offset, const std::string &bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::pwrite(m_fd, bytes.data() + done, bytes.size() - done, off_t(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            throw Error(n < 0 ? systemReason() : std::string("nothing written"));
        done += std::size_t(n);
    }
}
