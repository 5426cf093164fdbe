#include "UIKit/UIKit.h"

namespace UIKit {

UIApplication& UIApplication::sharedApplication() {
  static UIApplication* application = new UIApplication();  // Lives as long as the process.
  return *application;
}

UIApplication::UIApplication() {
  restoreDefaultScene();
}

void UIApplication::restoreDefaultScene() {
  auto window = std::make_shared<UIWindow>();
  window->setRootViewController(std::make_shared<UIViewController>());
  auto delegate = std::make_shared<UIApplicationDelegate>();
  delegate->setWindow(std::move(window));
  delegate_ = std::move(delegate);
}

}  // namespace UIKit
