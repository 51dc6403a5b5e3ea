#pragma once
// The main window's link: the serial port, the link engine and the transfer in progress.

namespace qtx {

class LinkController {
public:
    LinkController();
    ~LinkController();
};

} // namespace qtx
