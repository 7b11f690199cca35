// DegradingManager: the quality options the game may trade for speed.
#pragma once

#include <cstdint>

#include "engine/core/degrading_listener.h"
#include "engine/core/subscribe_deliverer.h"

// Each boolean option needs one capability bit. Setting an option stores the
// request only when that bit is present in the capability flags, so an option
// the device cannot do always reads false. A driver passes its own flags word
// (which it fills once it knows the device); a manager made without one
// honours every request.
class DegradingManager {
public:
    // Boolean options, in their fixed order.
    enum Option {
        DITHERING,
        SPECULAR,
        ANTIALIASING,
        SUB_PIXEL,
        MIPMAPS,
        ANISOTROPY,
        W_BUFFER,
        // The three that a driver switches on whenever the device allows them.
        SHADOWS,
        DETAIL_TEXTURES,
        EFFECTS,
        OPTION_COUNT
    };

    // Texture quality: 0 lowest ... 2 full size.
    static constexpr int minTextureQuality = 0;
    static constexpr int maxTextureQuality = 2;
    // Quality level: 0 "low" ... 3 "extra".
    static constexpr int minQualityLevel = 0;
    static constexpr int maxQualityLevel = 3;

    // One option: its value, the capability bit it needs and the flags it is
    // tested against.
    struct BoolOption {
        std::uint32_t value = 0;
        std::uint32_t neededBit = 0;
        const std::uint32_t* capabilities = nullptr;

        void set(bool requested) {
            value = (requested && (*capabilities & neededBit) != 0) ? 1u : 0u;
        }
        bool get() const { return value != 0; }
    };

    // The capability bit each option needs.
    static std::uint32_t neededBit(Option option);

    DegradingManager();
    // `capabilityFlags` must outlive the manager; it may be filled later.
    explicit DegradingManager(const std::uint32_t* capabilityFlags);
    DegradingManager(const DegradingManager&) = delete;
    DegradingManager& operator=(const DegradingManager&) = delete;

    // Slots 0 and 1: the engine's part of applying the options and of reading
    // them back; both tell the listeners.
    virtual void apply();
    virtual void current();
    virtual ~DegradingManager();

    // An unknown option reads false.
    bool getOption(Option option) const;
    // Returns false for an unknown option (nothing changes); otherwise true,
    // even when the capability test forced the option off.
    bool setOption(Option option, bool value);

    int getTextureQuality() const { return textureQuality_; }
    // Refuses (false, unchanged) a value outside the range.
    bool setTextureQuality(int quality);
    int getQualityLevel() const { return qualityLevel_; }
    // Refuses (false, unchanged) a value outside the range.
    bool setQualityLevel(int level);
    // Level of detail of the scene's meshes: 0 low ... 2 high.
    static constexpr int minDetailLevel = 0;
    static constexpr int maxDetailLevel = 2;
    int getDetailLevel() const { return detailLevel_; }
    // Refuses (false, unchanged) a value outside the range.
    bool setDetailLevel(int level) {
        if (level < minDetailLevel || level > maxDetailLevel)
            return false;
        detailLevel_ = level;
        return true;
    }
    // How exactly meshes are picked under the mouse pointer: 0 by their
    // projected box ... 3 by their screen triangles.
    static constexpr int minIntersectionLevel = 0;
    static constexpr int maxIntersectionLevel = 3;
    int getIntersectionLevel() const { return intersectionLevel_; }
    // Refuses (false, unchanged) a value outside the range.
    bool setIntersectionLevel(int level) {
        if (level < minIntersectionLevel || level > maxIntersectionLevel)
            return false;
        intersectionLevel_ = level;
        return true;
    }

    std::uint32_t getCapabilityFlags() const { return *capabilities_; }

    void registerListener(DegradingListener* listener);
    void unregisterListener(DegradingListener* listener);

protected:
    void notifyListeners();

private:
    void bindOptions();

    SubscribeDeliverer<DegradingListener> listeners_;
    std::uint32_t ownCapabilities_ = ~std::uint32_t{0};
    const std::uint32_t* capabilities_;
    BoolOption options_[OPTION_COUNT];
    int textureQuality_ = maxTextureQuality;
    int qualityLevel_ = maxQualityLevel;
    int intersectionLevel_ = maxIntersectionLevel;
    int detailLevel_ = maxDetailLevel;
};
