#include "platform/zip_archive.h"

#include <zip.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <system_error>

namespace tonvia::platform {
namespace {

void SetError(std::string* error, std::string text) {
    if (error != nullptr) {
        *error = std::move(text);
    }
}

}  // namespace

std::optional<std::vector<ArchiveEntry>> CollectFolder(const std::filesystem::path& root,
                                                       std::string* error) {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (!fs::is_directory(root, ec)) {
        SetError(error, "not a folder: " + root.string());
        return std::nullopt;
    }
    std::vector<ArchiveEntry> entries;
    for (fs::recursive_directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
        if (!it->is_regular_file(ec)) {
            continue;
        }
        std::ifstream in(it->path(), std::ios::binary);
        if (!in) {
            SetError(error, "cannot read " + it->path().string());
            return std::nullopt;
        }
        ArchiveEntry entry;
        entry.name = fs::relative(it->path(), root, ec).generic_string();
        entry.data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        entries.push_back(std::move(entry));
    }
    if (ec) {
        SetError(error, "cannot list " + root.string() + ": " + ec.message());
        return std::nullopt;
    }
    std::sort(entries.begin(), entries.end(),
              [](const ArchiveEntry& a, const ArchiveEntry& b) { return a.name < b.name; });
    return entries;
}

std::optional<std::vector<std::uint8_t>> PackEncryptedZip(const std::vector<ArchiveEntry>& entries,
                                                          const std::string& password,
                                                          std::string* error) {
    zip_error_t zerr;
    zip_error_init(&zerr);
    zip_source_t* target = zip_source_buffer_create(nullptr, 0, 0, &zerr);
    if (target == nullptr) {
        SetError(error, std::string("cannot create the archive: ") + zip_error_strerror(&zerr));
        zip_error_fini(&zerr);
        return std::nullopt;
    }
    zip_t* archive = zip_open_from_source(target, ZIP_TRUNCATE, &zerr);
    if (archive == nullptr) {
        SetError(error, std::string("cannot create the archive: ") + zip_error_strerror(&zerr));
        zip_error_fini(&zerr);
        zip_source_free(target);
        return std::nullopt;
    }
    zip_error_fini(&zerr);
    // The target outlives zip_close so that the written bytes can be read back.
    zip_source_keep(target);

    auto fail = [&](const std::string& text) {
        SetError(error, text + ": " + zip_strerror(archive));
        zip_discard(archive);
        zip_source_free(target);
        return std::nullopt;
    };
    for (const ArchiveEntry& entry : entries) {
        zip_source_t* member = zip_source_buffer(
            archive, entry.data.empty() ? nullptr : entry.data.data(), entry.data.size(), 0);
        if (member == nullptr) {
            return fail("cannot add " + entry.name);
        }
        const zip_int64_t index =
            zip_file_add(archive, entry.name.c_str(), member, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE);
        if (index < 0) {
            zip_source_free(member);
            return fail("cannot add " + entry.name);
        }
        const auto idx = static_cast<zip_uint64_t>(index);
        // No fixed modification time: libzip 1.7 derives the encryption check byte from
        // the time it writes, not from one set here, and such members fail to decrypt.
        if (zip_set_file_compression(archive, idx, ZIP_CM_DEFLATE, 9) != 0 ||
            zip_file_set_encryption(archive, idx, ZIP_EM_TRAD_PKWARE, password.c_str()) != 0) {
            return fail("cannot set up " + entry.name);
        }
    }
    if (zip_close(archive) != 0) {
        return fail("cannot write the archive");
    }

    std::vector<std::uint8_t> bytes;
    if (zip_source_open(target) != 0) {
        SetError(error, "cannot read the written archive");
        zip_source_free(target);
        return std::nullopt;
    }
    std::uint8_t chunk[16384];
    zip_int64_t n = 0;
    while ((n = zip_source_read(target, chunk, sizeof chunk)) > 0) {
        bytes.insert(bytes.end(), chunk, chunk + n);
    }
    zip_source_close(target);
    zip_source_free(target);
    if (n < 0) {
        SetError(error, "cannot read the written archive");
        return std::nullopt;
    }
    return bytes;
}

std::optional<std::size_t> PackFolderToFile(const std::filesystem::path& folder,
                                            const std::string& password, const std::string& output,
                                            std::string* error) {
    auto fail = [error](std::string why) -> std::optional<std::size_t> {
        if (error != nullptr) {
            *error = std::move(why);
        }
        return std::nullopt;
    };
    std::string why;
    const auto entries = CollectFolder(folder, &why);
    if (!entries || entries->empty()) {
        return fail(entries ? "empty folder" : why);
    }
    const auto bytes = PackEncryptedZip(*entries, password, &why);
    if (!bytes) {
        return fail(why);
    }
    const std::string tmp = output + ".tmp";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes->data()),
                  static_cast<std::streamsize>(bytes->size()));
        if (!out) {
            return fail("cannot write " + tmp);
        }
    }
    std::error_code code;
    std::filesystem::rename(tmp, output, code);
    if (code) {
        return fail("cannot create " + output);
    }
    return entries->size();
}

std::unique_ptr<ZipArchive> ZipArchive::Open(std::span<const std::uint8_t> bytes,
                                             const std::string& password, std::string* error) {
    if (bytes.empty()) {
        SetError(error, "the skin package is empty");
        return nullptr;
    }
    std::unique_ptr<ZipArchive> self(new ZipArchive);
    self->mBytes.assign(bytes.begin(), bytes.end());

    zip_error_t zerr;
    zip_error_init(&zerr);
    zip_source_t* source =
        zip_source_buffer_create(self->mBytes.data(), self->mBytes.size(), 0, &zerr);
    if (source == nullptr) {
        SetError(error, std::string("cannot read the skin package: ") + zip_error_strerror(&zerr));
        zip_error_fini(&zerr);
        return nullptr;
    }
    // Consistency checks reject archives whose directory disagrees with their members.
    self->mArchive = zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &zerr);
    if (self->mArchive == nullptr) {
        SetError(error, std::string("not a valid skin package: ") + zip_error_strerror(&zerr));
        zip_error_fini(&zerr);
        zip_source_free(source);
        return nullptr;
    }
    zip_error_fini(&zerr);
    if (zip_set_default_password(self->mArchive, password.c_str()) != 0) {
        SetError(error, "cannot set the skin package password");
        return nullptr;
    }
    return self;
}

ZipArchive::~ZipArchive() {
    if (mArchive != nullptr) {
        zip_discard(mArchive);
    }
}

bool ZipArchive::Contains(std::string_view name) const {
    std::lock_guard lock(mMutex);
    return zip_name_locate(mArchive, std::string(name).c_str(), 0) >= 0;
}

std::vector<std::string> ZipArchive::Names() const {
    std::lock_guard lock(mMutex);
    std::vector<std::string> names;
    const zip_int64_t count = zip_get_num_entries(mArchive, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        const char* name = zip_get_name(mArchive, static_cast<zip_uint64_t>(i), 0);
        if (name != nullptr) {
            names.emplace_back(name);
        }
    }
    return names;
}

std::optional<std::vector<std::uint8_t>> ZipArchive::Read(std::string_view name,
                                                          std::string* error) const {
    std::lock_guard lock(mMutex);
    const std::string member(name);
    const zip_int64_t index = zip_name_locate(mArchive, member.c_str(), 0);
    if (index < 0) {
        SetError(error, "no member " + member + " in the skin package");
        return std::nullopt;
    }
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(mArchive, static_cast<zip_uint64_t>(index), 0, &st) != 0 ||
        (st.valid & ZIP_STAT_SIZE) == 0) {
        SetError(error, "cannot read " + member + ": " + zip_strerror(mArchive));
        return std::nullopt;
    }
    if (st.size > kMaxArchiveMemberSize) {
        SetError(error, member + " is too large");
        return std::nullopt;
    }
    zip_file_t* file = zip_fopen_index(mArchive, static_cast<zip_uint64_t>(index), 0);
    if (file == nullptr) {
        SetError(error, "cannot open " + member + ": " + zip_strerror(mArchive));
        return std::nullopt;
    }
    std::vector<std::uint8_t> data;
    data.reserve(static_cast<std::size_t>(st.size));
    std::uint8_t chunk[16384];
    zip_int64_t n = 0;
    // Reading to the end lets libzip compare the checksum, which also catches a wrong
    // password that happened to pass the one-byte header check.
    while ((n = zip_fread(file, chunk, sizeof chunk)) > 0) {
        if (data.size() + static_cast<std::size_t>(n) > kMaxArchiveMemberSize) {
            n = -1;
            break;
        }
        data.insert(data.end(), chunk, chunk + n);
    }
    std::string readError = n < 0 ? zip_file_strerror(file) : std::string();
    zip_fclose(file);
    if (n < 0) {
        SetError(error, "cannot read " + member + ": " + readError);
        return std::nullopt;
    }
    if (data.size() != st.size) {
        SetError(error, "cannot read " + member + ": size mismatch");
        return std::nullopt;
    }
    return data;
}

}  // namespace tonvia::platform
