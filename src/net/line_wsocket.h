#pragma once
// TCustomLineWSocket: optional line mode. Received bytes are gathered until
// LineEnd; OnDataAvailable then fires once per complete line and Receive
// returns that line, LineEnd included.

#include "net/socks_wsocket.h"

#include <string>

namespace mondeliar::net {

class TCustomLineWSocket : public TCustomSocksWSocket {
public:
    static constexpr int kDefaultLineLimit = 65536;

    TCustomLineWSocket() = default;

    bool LineMode() const { return line_mode_; }
    virtual void SetLineMode(bool value);
    const std::string& LineEnd() const { return line_end_; }
    void SetLineEnd(const std::string& value) { line_end_ = value; }
    int LineLimit() const { return line_limit_; }
    void SetLineLimit(int value) { line_limit_ = value; }
    bool LineEcho() const { return line_echo_; }
    void SetLineEcho(bool value) { line_echo_ = value; }
    bool LineEdit() const { return line_edit_; }
    void SetLineEdit(bool value) { line_edit_ = value; }
    int RcvdCount() override;

    std::function<void(int RcvdLength, bool& ClearData)> OnLineLimitExceeded;

protected:
    void ResetDefaults() override;
    void HandleEvent(NetEvent& event) override;
    void FireDataAvailable(int error) override;
    void FireSessionClosed(int error) override;
    int RawReceive(void* buffer, int size) override;
    virtual void FireLineLimitExceeded(int received, bool& clear_data);
    // Applies backspace and tab editing to newly received bytes.
    virtual void EditLine(const char* data, int count);

private:
    bool Active() const { return line_mode_ && !line_end_.empty(); }
    void ReadIntoBuffer();
    void FindLine();
    void DeliverLines(int error);
    void CheckLineLimit();

    bool line_mode_ = false;
    std::string line_end_ = "\r\n";
    int line_limit_ = kDefaultLineLimit;
    bool line_echo_ = false;
    bool line_edit_ = false;
    std::string buffer_;      // received bytes not yet read by the application
    size_t line_length_ = 0;  // length of the complete line at the front, 0 when none
    size_t scanned_ = 0;      // bytes already searched for LineEnd
};

}  // namespace mondeliar::net
