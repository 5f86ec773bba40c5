#pragma once

#include <cstddef>
#include <functional>
#include <tuple>
#include <type_traits>
#include <utility>

#include <QString>

class QWidget;

// The one place where a command's error reaches the user. Handlers throw (AppError, or let
// std::bad_alloc and the like propagate); the connection made with Guarded catches it, shows
// the box and the program carries on with whatever the handler had done so far.

// The box's text: the error's text followed by a period unless it already ends with one.
QString ErrorBoxText(const QString& text);

// A modal message box: error icon, OK button, caption "sonvelia", text through ErrorBoxText.
void ShowErrorBox(QWidget* parent, const QString& text);

// To be called inside catch (...): shows the box for the exception being handled.
void ReportCurrentException(QWidget* parent);

// The text shown for the exception being handled (inside catch (...)).
QString CurrentExceptionText();

namespace errorbox_detail {

// The longest leading part of the signal's arguments that the handler accepts.
template <class Handler, class Object, class Tuple, std::size_t N = std::tuple_size_v<Tuple>>
constexpr std::size_t AcceptedCount()
{
    return []<std::size_t... I>(std::index_sequence<I...>)
    {
        if constexpr (std::is_invocable_v<Handler, Object, std::tuple_element_t<I, Tuple>...>)
            return N;
        else if constexpr (N == 0)
            return std::size_t(-1);  // the handler fits none of the signals' argument lists
        else
            return AcceptedCount<Handler, Object, Tuple, N - 1>();
    }
    (std::make_index_sequence<N>{});
}

template <class Handler, class Object, class Tuple, std::size_t... I>
void CallWithFirst(Handler handler, Object object, Tuple& arguments, std::index_sequence<I...>)
{
    std::invoke(handler, object, std::get<I>(arguments)...);
}

}  // namespace errorbox_detail

// Wraps a member handler for connect(): the result takes whatever the signal sends, passes the
// handler as many leading arguments as it declares (none, some or all), and reports any
// exception through the error box with `object` as its parent.
template <class Class, class Handler>
auto Guarded(Class* object, Handler handler)
{
    return [object, handler](auto&&... signalArguments) -> void {
        try {
            auto arguments = std::forward_as_tuple(signalArguments...);
            using Arguments = decltype(arguments);
            constexpr std::size_t count = errorbox_detail::AcceptedCount<Handler, Class*, Arguments>();
            static_assert(count != std::size_t(-1), "the handler does not accept the signal's arguments");
            errorbox_detail::CallWithFirst(handler, object, arguments, std::make_index_sequence<count>{});
        } catch (...) {
            if constexpr (std::is_base_of_v<QWidget, Class>)
                ReportCurrentException(object);
            else
                ReportCurrentException(nullptr);
        }
    };
}
