#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

struct isal_zstream;

// A zip archive written front to back into an open, empty, seekable file:
// one member at a time, each deflated as its bytes come (ISA-L's igzip at
// its level 1, about 1 GB/s on one core where zlib's fastest level does
// 0.2 GB/s), its checksum and sizes put into its local header when it
// ends, the central directory after the last one. No ZIP64: a member or an
// archive of 4 GiB or more is refused (ZipWriter::TooLarge). Throws
// ZipWriter::Error (std::runtime_error, the system's reason as its what())
// when the file cannot be written; the archive is then unusable.
class ZipWriter
{
public:
    class Error : public std::runtime_error
    {
    public:
        using std::runtime_error::runtime_error;
    };
    class TooLarge : public Error
    {
    public:
        using Error::Error;
    };

    explicit ZipWriter(int fd);
    ~ZipWriter();
    ZipWriter(const ZipWriter &) = delete;
    ZipWriter &operator=(const ZipWriter &) = delete;

    // Starts the member of that name (ASCII); the one before must be ended.
    void begin(std::string_view name);
    void write(std::string_view data);
    void end();
    // begin(), write() and end() at once.
    void add(std::string_view name, std::string_view data);
    // Writes the central directory; nothing can be added after it. The
    // file descriptor stays open (the caller's).
    void finish();

private:
    struct Member
    {
        std::string name;
        std::uint64_t offset = 0;
        std::uint32_t crc = 0;
        std::uint64_t compressed = 0;
        std::uint64_t size = 0;
    };

    void deflate(bool last);
    void put(const void *data, std::size_t size);
    void flush();
    void writeAt(std::uint64_t offset, const std::string &bytes);

    int m_fd;
    std::unique_ptr<isal_zstream> m_stream;
    std::vector<std::uint8_t> m_levelBuffer;
    std::vector<std::uint8_t> m_out; // compressed bytes not yet in the file
    std::size_t m_outUsed = 0;
    std::uint64_t m_offset = 0; // where the next byte goes in the file
    std::vector<Member> m_members;
    bool m_open = false;
};
