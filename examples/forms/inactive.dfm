object LegacyForm: TLegacyForm
  Left = 200
  Top = 120
  Width = 300
  Height = 200
  Caption = 'Legacy'
  PixelsPerInch = 96
  TextHeight = 13
  object Keyloom1: TKeyloom
    Active = False
    Left = 240
    Top = 16
  end
  object bStart: TButton
    Left = 8
    Top = 8
    Width = 75
    Height = 25
    Caption = '&Start'
    TabOrder = 0
  end
  object bStop: TButton
    Left = 88
    Top = 8
    Width = 75
    Height = 25
    Caption = '&Stop'
    TabOrder = 1
  end
  object bPause: TButton
    Left = 168
    Top = 8
    Width = 75
    Height = 25
    Caption = 'Pause'
    TabOrder = 2
  end
end
