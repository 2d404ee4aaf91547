#pragma once

#include <ChipFile.h>
#include <ChipModel.h>

#include <cstdio>
#include <memory>
#include <string>

// The chip behind a link model that vorlane-cli is built with: named by its
// tag in the model's environment variable ("s52"), its flash and lock state
// kept in a file between runs as a simulated port keeps them. A file that
// cannot be read or written is said on standard error, after `who`.
class KeptChip {
public:
    // s51, s52 or s53; any other tag is the AT89S52. Loaded from `file` when
    // one is named.
    sim::IspChip& make(const std::string& tag, std::string file, const char* who)
    {
        who_ = who;
        file_ = std::move(file);
        chip_ = MakeChipModel(tag == "s53" ? DeviceId::AT89S53 : tag == "s51" ? DeviceId::AT89S51 : DeviceId::AT89S52);
        std::string error;
        if (!file_.empty() && !sim::LoadChipFile(*chip_, file_, &error))
            std::fprintf(stderr, "%s: %s\n", who_, error.c_str());
        saved_ = chip_->modificationCount();
        return *chip_;
    }
    // Back to its file, if it changed since it was last kept.
    void save()
    {
        if (!chip_ || file_.empty() || chip_->modificationCount() == saved_)
            return;
        std::string error;
        if (sim::SaveChipFile(*chip_, file_, &error))
            saved_ = chip_->modificationCount();
        else
            std::fprintf(stderr, "%s: %s\n", who_, error.c_str());
    }
    void reset()
    {
        chip_.reset();
        file_.clear();
    }

private:
    std::unique_ptr<sim::SerialChip> chip_;
    std::string file_;
    uint64_t saved_ = 0;
    const char* who_ = "";
};
