// End-to-end tests: the emulator boots a console laid out in a folder of the
// test's own, in its sandbox, driven by an input script; the tests then look
// at the console's files, the emulator's logs and the screenshots.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

// What happens to the card during a boot on a card of its own, once the
// script has taken the screenshot named: it fills up, turns read-only (as
// Linux leaves a FAT card after an error), is pulled (emptied: the files a
// program holds open stay its own, as its running program file does), or
// heals (writable again, without what filled it).
enum class CardChange { Fill, ReadOnly, Pull, Heal };
struct CardEvent {
    std::string screenshot;
    CardChange change;
};

class ConsoleRun : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Runs the emulator headless on the test's folder with the script and
    // further options; its exit status (0 power off or script end, 1 the
    // programs ended without reboot, 2 timed out, 3 no sandbox). The first
    // run of a test lays out a fresh console.
    int boot(const std::string& script, const std::vector<std::string>& options = {});

    // Whether boot_on_card can make its card here (a private mount
    // namespace with a tmpfs in it).
    static bool card_file_systems();
    // boot() with the card as a file system of its own, size_mb large (a
    // tmpfs in a private mount namespace: the kernel here has no FAT), that
    // holds what the card held; the events change it, in their order, while
    // the boot runs, and what it holds at the end is the card's afterwards.
    // A script should wait a second after each screenshot named, for its
    // change to come. Lays out a console first when the test has none.
    int boot_on_card(const std::string& script, const std::vector<CardEvent>& events, int size_mb = 32);

    // A file of the console by its console path ("/usr/gp2x/gph.gpu").
    std::string console_file(const std::string& path) const;
    bool console_has(const std::string& path) const;
    void put_console_file(const std::string& path, const std::string& content, bool executable = false) const;
    // A file of the emulator's state folder ("boot.log", "console.log", ...).
    std::string state(const std::string& name) const;
    // A file of the build (the programs the console was laid out from).
    static std::string built(const std::string& relative);
    // The boot log's lines.
    std::vector<std::string> boots() const;
    // Compares a screenshot with a reference picture of the source tree
    // (emu/tests/reference/NAME.png). With KORVO_E2E_RECORD=1 in the
    // environment the screenshot becomes the reference instead.
    void expect_screenshot_matches(const std::string& name) const;

    std::string dir;    // the emulator's folder (tree/, state/, screenshots/)
    std::string work;   // the test's own folder: dir, the scripts, the emulator's output

private:
    // The emulator's command line for one boot with the script, without
    // where its output goes.
    std::string emulator_command(const std::string& script, const std::vector<std::string>& options);

    bool laid_out = false;
};

// "a\nb\n" contains the line "b".
bool has_line(const std::string& text, const std::string& line);
// Text after the first occurrence of marker ("" when absent).
std::string after(const std::string& text, const std::string& marker);
