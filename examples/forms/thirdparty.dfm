object OrderForm: TOrderForm
  Left = 200
  Top = 120
  Width = 360
  Height = 240
  Caption = 'Order'
  PixelsPerInch = 96
  TextHeight = 13
  object pnlButtons: TMyPanel
    Left = 0
    Top = 160
    Width = 352
    Height = 41
    Align = alBottom
    object btnSave: TcxButton
      Left = 8
      Top = 8
      Width = 75
      Height = 25
      Caption = 'Save'
      TabOrder = 0
    end
    object btnPrint: TMyButton
      Left = 88
      Top = 8
      Width = 75
      Height = 25
      Caption = 'Print'
      TabOrder = 1
    end
    object btnPreview: TButton
      Left = 168
      Top = 8
      Width = 75
      Height = 25
      Caption = 'Preview'
      TabOrder = 2
    end
  end
end
