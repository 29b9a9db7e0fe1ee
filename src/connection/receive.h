#pragma once
#include <QString>
#include <functional>

// Shows the receive-error text. The program uses a modal error box; the fuzzer, which must
// never block, puts a recorder in its place.
void setReceiveErrorPresenter(std::function<void(const QString& text)> presenter);
