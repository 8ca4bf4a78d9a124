object Form1: TForm1
  Left = 192
  Top = 107
  Width = 400
  Height = 300
  Caption = 'Typical form'
  Menu = MainMenu1
  PixelsPerInch = 96
  TextHeight = 13
  object Panel1: TPanel
    Left = 8
    Top = 8
    Width = 185
    Height = 41
    TabOrder = 0
    object Button1: TButton
      Left = 8
      Top = 8
      Width = 75
      Height = 25
      Caption = 'OK'
      TabOrder = 0
    end
    object Button2: TButton
      Left = 96
      Top = 8
      Width = 75
      Height = 25
      Caption = 'Open'
      TabOrder = 1
    end
  end
  object MainMenu1: TMainMenu
    Left = 224
    Top = 16
    object File1: TMenuItem
      Caption = 'File'
    end
    object Exit1: TMenuItem
      Caption = 'Exit'
    end
  end
end
