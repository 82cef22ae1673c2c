#pragma once
// TCustomLineWSocket: optional line mode. Received bytes are gathered until
// LineEnd; OnDataAvailable then fires once per complete line and Receive
// returns that line, LineEnd included.

#include "net/line_splitter.h"
#include "net/tls_wsocket.h"

#include <string>

namespace mondeliar::net {

class TCustomLineWSocket : public TCustomTlsWSocket {
public:
    static constexpr int kDefaultLineLimit = 65536;

    TCustomLineWSocket() = default;

    bool LineMode() const { return line_mode_; }
    virtual void SetLineMode(bool value);
    const std::string& LineEnd() const { return lines_.LineEnd(); }
    void SetLineEnd(const std::string& value) { lines_.SetLineEnd(value); }
    int LineLimit() const { return lines_.LineLimit(); }
    void SetLineLimit(int value) { lines_.SetLineLimit(value); }
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
    bool Active() const { return line_mode_ && !lines_.LineEnd().empty(); }
    void ReadIntoBuffer();
    void FindLine();
    void DeliverLines(int error);
    void CheckLineLimit();

    bool line_mode_ = false;
    bool line_echo_ = false;
    bool line_edit_ = false;
    LineSplitter lines_;  // received bytes not yet read by the application
};

}  // namespace mondeliar::net
