#pragma once

#include <filesystem>
#include <string_view>

// Where a program finds the files it reads besides its settings, relative to its
// own folder so that both the build tree and an installed prefix work, even after
// the prefix has been moved. In the build tree everything lies beside the programs;
// once installed the programs are in bin/ and their data in share/orvalis-reelscan/.
namespace InstallLayout {

// The installed data folder seen from a program in programFolder.
std::filesystem::path dataFolder(const std::filesystem::path& programFolder);

// The translation catalogue fileName for a program in programFolder: beside the
// program when a regular file of that name lies there, else in the data folder's
// translations/. Empty when neither holds it.
std::filesystem::path findCatalogue(const std::filesystem::path& programFolder, std::string_view fileName);

} // namespace InstallLayout
