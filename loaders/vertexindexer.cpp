#include "loaders/vertexindexer.h"

#include <chrono>

bool findPackedVertex(const PackedVertex_vtn& packed, const PackedVertexMap& fastSearchMap, uint32_t& foundIndex) {
  auto it = fastSearchMap.find(packed);
  if (it == fastSearchMap.end()) return false;
  foundIndex = it->second;
  return true;
}

namespace {

// Corners are merged only when their 32 bytes are identical, and the output
// order is that of the first corners, so any exact lookup gives the same
// result as the ordered map. An open-addressing table over the raw bytes
// does it in constant time a corner; the ordered map takes 20 cache-missing
// comparisons at a million vertices.
class CornerTable {
 public:
  explicit CornerTable(size_t expected) : seed_(randomSeed()) {
    size_t capacity = 1024;
    while (capacity < expected) capacity *= 2;
    slots_.assign(capacity, 0);
    keys_.reserve(expected / 2);
  }

  // A hint that key will be looked up soon: the table is far larger than
  // the caches, so the lookups overlap their memory waits this way.
  void prefetch(const PackedVertex_vtn& key) const {
    __builtin_prefetch(&slots_[hashOf(key) & (slots_.size() - 1)]);
  }

  // The number (0-based, in order of insertion) of the key, inserting it
  // when it is new; isNew tells which.
  uint32_t findOrInsert(const PackedVertex_vtn& key, bool& isNew) {
    const uint64_t hash = hashOf(key);
    const uint64_t tag = hash >> 32;
    for (size_t at = hash & (slots_.size() - 1);; at = (at + 1) & (slots_.size() - 1)) {
      const uint64_t slot = slots_[at];
      if (slot == 0) {
        isNew = true;
        keys_.push_back(key);
        slots_[at] = (tag << 32) | keys_.size();
        if (keys_.size() * 2 > slots_.size()) grow();
        return static_cast<uint32_t>(keys_.size() - 1);
      }
      if ((slot >> 32) == tag) {
        const uint32_t number = static_cast<uint32_t>(slot) - 1u;
        if (memcmp(&keys_[number], &key, sizeof key) == 0) {
          isNew = false;
          return number;
        }
      }
    }
  }

 private:
  // A seed per table keeps a hostile file from aiming at one bucket.
  static uint64_t randomSeed() {
    uint64_t local = 0;
    return static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
           reinterpret_cast<uintptr_t>(&local) ^ 0x9E3779B97F4A7C15ull;
  }

  uint64_t hashOf(const PackedVertex_vtn& key) const {
    uint64_t words[4];
    memcpy(words, &key, sizeof words);
    uint64_t h = seed_;
    for (uint64_t w : words) {
      h = (h ^ w) * 0xBF58476D1CE4E5B9ull;
      h ^= h >> 31;
    }
    h *= 0x94D049BB133111EBull;
    return h ^ (h >> 29);
  }

  void grow() {
    std::vector<uint64_t> old(slots_.size() * 2, 0);
    old.swap(slots_);
    for (uint64_t slot : old) {
      if (slot == 0) continue;
      const uint64_t hash = hashOf(keys_[static_cast<uint32_t>(slot) - 1u]);
      size_t at = hash & (slots_.size() - 1);
      while (slots_[at] != 0) at = (at + 1) & (slots_.size() - 1);
      slots_[at] = slot;
    }
  }

  uint64_t seed_;
  std::vector<uint64_t> slots_;  // (hash tag << 32) | (key number + 1); 0 is empty
  std::vector<PackedVertex_vtn> keys_;
};

}  // namespace

bool indexVertexData(std::vector<glm::vec3> inVertices, std::vector<glm::vec2> inUVs,
                     std::vector<glm::vec3> inNormals, std::vector<glm::vec3>* outVertices,
                     std::vector<glm::vec2>* outUVs, std::vector<glm::vec3>* outNormals,
                     std::vector<uint32_t>* outIndices) {
  if (outVertices == nullptr || outNormals == nullptr || outIndices == nullptr) return false;
  const bool withUVs = !inUVs.empty();
  if (withUVs && outUVs == nullptr) return false;
  const size_t count = inVertices.size();
  if (inNormals.size() != count || (withUVs && inUVs.size() != count)) return false;

  // Indices continue after whatever the outputs already hold.
  const size_t base = outVertices->size();
  CornerTable table(count / 2);
  outIndices->reserve(outIndices->size() + count);
  auto packedAt = [&](size_t i) {
    return PackedVertex_vtn{inVertices[i], withUVs ? inUVs[i] : glm::vec2(0.0f), inNormals[i]};
  };
  constexpr size_t kLookAhead = 16;
  for (size_t i = 0; i < count; ++i) {
    if (i + kLookAhead < count) table.prefetch(packedAt(i + kLookAhead));
    const PackedVertex_vtn packed = packedAt(i);
    bool isNew = false;
    const uint32_t number = table.findOrInsert(packed, isNew);
    if (isNew) {
      outVertices->push_back(inVertices[i]);
      outNormals->push_back(inNormals[i]);
      if (withUVs) outUVs->push_back(inUVs[i]);
    }
    outIndices->push_back(static_cast<uint32_t>(base + number));
  }
  return true;
}
