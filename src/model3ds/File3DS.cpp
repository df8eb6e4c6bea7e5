#include "model3ds/File3DS.h"

#include <new>

#include "ChunkTree.h"
#include "KeyframerNames.h"

namespace model3ds {

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
    Load(std::make_unique<base::FileStream>(fileName, base::FileStream::Mode::Read));
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

void TFile3DS::Load(std::unique_ptr<base::Stream> source) {
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

base::Stream& TFile3DS::Source() { return *source_; }

}  // namespace model3ds
