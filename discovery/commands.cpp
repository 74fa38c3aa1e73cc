#include "discovery/commands.h"

#include "discovery/details.h"
#include "discovery/search.h"
#include "ui/names.h"

namespace trivex {

namespace {

const Binding kDiscoveryCommands[] = {
    {cmd::search, searchButton},
    {cmd::image_details, imageDetails},
};

}  // namespace

BindingTable discoveryCommands() { return {kDiscoveryCommands, sizeof kDiscoveryCommands / sizeof kDiscoveryCommands[0]}; }

}  // namespace trivex
