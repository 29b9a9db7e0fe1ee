#pragma once
#include <QString>
#include <functional>

// Who shows the receive-error text (TfmMain::ShowReceiveError, connection/supervision.cpp).
// The program uses a modal error box; a test, which must never block, puts a recorder in its place.
void setReceiveErrorPresenter(std::function<void(const QString& text)> presenter);
