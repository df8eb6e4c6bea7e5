#include "model3ds/File3DS.h"

#include <algorithm>
#include <new>
#include <string>

#include "base/Beep.h"
#include "base/Texts.h"
#include "ChunkTree.h"
#include "KeyframerNames.h"

namespace model3ds {

namespace {

// The largest model read: its top chunk is held in memory whole, beside the records
// read from it.
constexpr std::uint32_t kMaxModelBytes = std::uint32_t{1} << 30;

// The bytes of the model in the file: its top chunk, which is all the reader
// ever looks at, read in one go, so that the file is not touched again. A file
// whose top chunk is not a model's, or claims more than the file holds, gives its
// header alone, which the chunk tree judges. A file shorter than a header raises
// the file's read error; a model past kMaxModelBytes is refused unread.
std::vector<std::uint8_t> ReadModelBytes(const std::string& fileName) {
    base::FileStream file(fileName, base::FileStream::Mode::Read);
    std::uint8_t header[6];
    file.ReadBuffer(header, sizeof header);
    const auto tag = static_cast<std::uint16_t>(header[0] | header[1] << 8);
    const std::uint32_t length = std::uint32_t{header[2]} | std::uint32_t{header[3]} << 8 |
                                 std::uint32_t{header[4]} << 16 | std::uint32_t{header[5]} << 24;
    const bool whole = IsAcceptedTop(tag) && length > sizeof header && length <= file.Size();
    if (whole && length > kMaxModelBytes) {
        base::Beep();
        throw E3DSError(base::kFileLargerThan, {std::to_string(kMaxModelBytes >> 20)}, {fileName, {}, {}});
    }
    try {
        std::vector<std::uint8_t> bytes(whole ? length : sizeof header);
        std::copy(header, header + sizeof header, bytes.begin());
        file.ReadBuffer(bytes.data() + sizeof header, bytes.size() - sizeof header);
        return bytes;
    } catch (const std::bad_alloc&) {
        RaiseError3DS(kErrorNoMemory);
    }
}

}  // namespace

TFile3DS::TFile3DS()
    : database_(std::make_unique<TChunkDatabase3DS>()),
      source_(std::make_unique<base::MemoryStream>()),
      materialList_(std::make_unique<TMaterialList>(*this)),
      objectList_(std::make_unique<TObjectList>(*this)) {}

TFile3DS::TFile3DS(const std::string& fileName) : TFile3DS() { LoadFromFile(fileName); }

TFile3DS::~TFile3DS() = default;

void TFile3DS::LoadFromFile(const std::string& fileName) {
    Clear();
    // The old file is released before the new one is opened, also when that fails.
    source_ = std::make_unique<base::MemoryStream>();
    fileName_ = fileName;
    Load(std::make_unique<base::MemoryStream>(ReadModelBytes(fileName)));
}

void TFile3DS::LoadFromStream(base::Stream& stream) {
    Clear();
    source_ = std::make_unique<base::MemoryStream>();
    fileName_.clear();
    const std::uint64_t size = stream.Size();
    const std::uint64_t position = stream.Position();
    try {
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(position < size ? size - position : 0));
        stream.ReadBuffer(bytes.data(), bytes.size());
        LoadFromBytes(std::move(bytes));
    } catch (const std::bad_alloc&) {
        RaiseError3DS(kErrorNoMemory);
    }
}

void TFile3DS::LoadFromBytes(std::vector<std::uint8_t> bytes) {
    Clear();
    fileName_.clear();
    Load(std::make_unique<base::MemoryStream>(std::move(bytes)));
}

void TFile3DS::Load(std::unique_ptr<base::MemoryStream> source) {
    source_ = std::move(source);
    database_->FreeTree();
    database_->objectsDirty = true;
    database_->materialsDirty = true;
    try {
        if (LoadChunkTree(*source_, *database_)) NameKeyframerNodes(*source_, *database_);
    } catch (const std::bad_alloc&) {
        RaiseError3DS(kErrorNoMemory);
    }
}

void TFile3DS::Clear() {
    materialList_->ClearList();
    objectList_->ClearList();
    database_->FreeTree();
}

TMaterialList& TFile3DS::MaterialList() { return *materialList_; }

TObjectList& TFile3DS::ObjectList() { return *objectList_; }

const std::string& TFile3DS::FileName() const { return fileName_; }

TChunkDatabase3DS& TFile3DS::Database() { return *database_; }

void TFile3DS::ReadChunkData(TChunkNode3DS& node) { model3ds::ReadChunkData(*source_, node); }

base::MemoryStream& TFile3DS::Source() { return *source_; }

}  // namespace model3ds
